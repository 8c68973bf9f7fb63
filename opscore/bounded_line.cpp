#include "bounded_line.h"

namespace opscore {

LineRead read_bounded_line(std::istream& in, std::string& line, std::size_t max_length) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    if (!in || !buffer) return LineRead::End;
    for (;;) {
        const auto c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return line.empty() ? LineRead::End : LineRead::Line;
        }
        if (c == '\n') return LineRead::Line;
        if (line.size() == max_length) return LineRead::TooLong;
        line.push_back(static_cast<char>(c));
    }
}

bool skip_rest_of_line(std::istream& in, std::size_t limit) {
    std::streambuf* buffer = in.rdbuf();
    if (!in || !buffer) return true;
    for (std::size_t i = 0; i < limit; ++i) {
        const auto c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return true;
        }
        if (c == '\n') return true;
    }
    return false;
}

}  // namespace opscore
