#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace vantrel {

// Line reads that never hold more than a set length in memory, whatever the file holds (a line
// of a gigabyte, /dev/zero).
enum class LineRead {
    Line,     // a line of at most maxLength bytes, without its LF
    TooLong,  // the line goes on past maxLength; line holds its first maxLength bytes
    End,      // nothing left
};

LineRead readBoundedLine(std::istream& in, std::string& line, std::size_t maxLength);

// Reads past the rest of a line that was too long, at most limit bytes; false when no line end
// came within them (the file is no text file and should not be read further).
bool skipRestOfLine(std::istream& in, std::size_t limit);

}  // namespace vantrel
