// Lines of the files named on termsim's command line, read with a bound on their length so that
// a file without line ends (or a device such as /dev/zero) cannot fill memory.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace termsim {

// Far beyond any record or setting line; a longer line means the file is not what was meant.
inline constexpr std::size_t kMaxFileLine = 4096;

enum class LineRead { Line, End, TooLong };

// Reads up to the next LF, which is dropped with a CR before it. A last line without LF counts.
// TooLong once the line holds more than max_length bytes: the rest is not read.
LineRead read_file_line(std::istream& in, std::string& line, std::size_t max_length = kMaxFileLine);

}  // namespace termsim
