// Reading the lines of a file whose size and content nobody vouches for.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace opscore {

// Line reads that never hold more than a set length in memory, whatever the file holds (a line
// of a gigabyte, /dev/zero).
enum class LineRead {
    Line,     // a line of at most max_length bytes, without its LF
    TooLong,  // the line goes on past max_length; line holds its first max_length bytes
    End,      // nothing left
    Error,    // a read failed (the stream is bad): what is left of the file is unknown
};

// Reads up to the next LF, which is dropped (a CR before it stays in the line).
LineRead read_bounded_line(std::istream& in, std::string& line, std::size_t max_length);

// Reads past the rest of a line that was too long, at most limit bytes; false when no line end
// came within them (the file is no text file and should not be read further). A failed read
// counts as an end: the stream is bad, and the next read_bounded_line says Error.
bool skip_rest_of_line(std::istream& in, std::size_t limit);

}  // namespace opscore
