// Lines of the files vantctl reads, with a bound on their length so that a file without line
// ends (or a device such as /dev/zero) cannot fill memory.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "terminal_visit.h"

namespace vantctl {

// Far beyond any line of a configuration file.
inline constexpr std::size_t kMaxFileLine = 4096;

// A line longer than the bound: the file is not what was meant.
struct LineTooLong : CommandFailure {
    using CommandFailure::CommandFailure;
};

// Reads up to the next LF, which is dropped with a CR before it; a last line without LF counts.
// False at the end of the file. Throws LineTooLong, without reading the rest of the line, once it
// holds more than max_length bytes.
bool read_file_line(std::istream& in, std::string& line, std::size_t max_length = kMaxFileLine);

}  // namespace vantctl
