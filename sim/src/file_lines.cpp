#include "file_lines.h"

namespace termsim {

LineRead read_file_line(std::istream& in, std::string& line, std::size_t max_length) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr) return LineRead::End;
    using Traits = std::istream::traits_type;
    auto c = buffer->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) return LineRead::End;
    while (!Traits::eq_int_type(c, Traits::eof()) && Traits::to_char_type(c) != '\n') {
        // The CR of a CR LF ending may take the last place.
        if (line.size() > max_length) return LineRead::TooLong;
        line.push_back(Traits::to_char_type(c));
        c = buffer->sbumpc();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.size() > max_length ? LineRead::TooLong : LineRead::Line;
}

}  // namespace termsim
