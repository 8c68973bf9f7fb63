#include "file_lines.h"

#include "bounded_line.h"

namespace vantctl {

bool read_file_line(std::istream& in, std::string& line, std::size_t max_length) {
    // One byte more for the CR of a CR LF ending.
    const opscore::LineRead read = opscore::read_bounded_line(in, line, max_length + 1);
    if (read == opscore::LineRead::End) return false;
    if (read == opscore::LineRead::Line && !line.empty() && line.back() == '\r') line.pop_back();
    if (read == opscore::LineRead::TooLong || line.size() > max_length) {
        throw LineTooLong("a line is longer than " + std::to_string(max_length) + " bytes");
    }
    return true;
}

}  // namespace vantctl
