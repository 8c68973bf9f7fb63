#include "file_lines.h"

namespace vantctl {

bool read_file_line(std::istream& in, std::string& line, std::size_t max_length) {
    using Traits = std::istream::traits_type;
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr) return false;
    auto c = buffer->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) return false;
    const auto too_long = [max_length] {
        return LineTooLong("a line is longer than " + std::to_string(max_length) + " bytes");
    };
    while (!Traits::eq_int_type(c, Traits::eof()) && Traits::to_char_type(c) != '\n') {
        // The CR of a CR LF ending may take the last place.
        if (line.size() > max_length) throw too_long();
        line.push_back(Traits::to_char_type(c));
        c = buffer->sbumpc();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > max_length) throw too_long();
    return true;
}

}  // namespace vantctl
