#include "bounded_line.h"

namespace opscore {

namespace {

// A file buffer throws from its reads when the system's read fails (a folder, a disk error);
// that is one more way for the file to end, and the caller must hear of it.
LineRead failed(std::istream& in) {
    in.setstate(std::ios::badbit);
    return LineRead::Error;
}

}  // namespace

LineRead read_bounded_line(std::istream& in, std::string& line, std::size_t max_length) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    if (in.bad()) return LineRead::Error;
    if (!in || !buffer) return LineRead::End;
    try {
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
    } catch (const std::ios_base::failure&) {
        return failed(in);
    }
}

bool skip_rest_of_line(std::istream& in, std::size_t limit) {
    std::streambuf* buffer = in.rdbuf();
    if (!in || !buffer) return true;
    try {
        for (std::size_t i = 0; i < limit; ++i) {
            const auto c = buffer->sbumpc();
            if (c == std::char_traits<char>::eof()) {
                in.setstate(std::ios::eofbit);
                return true;
            }
            if (c == '\n') return true;
        }
    } catch (const std::ios_base::failure&) {
        failed(in);
        return true;
    }
    return false;
}

}  // namespace opscore
