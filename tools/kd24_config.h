// KD24 configuration files (*.KD24) and the configuration record built from them.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace vantctl {

// The value of key in a configuration file: key = value lines, keys without case and ending at
// their first blank, the value after the last "=", the first line with the key counting.
// Throws LineTooLong for a line beyond kMaxFileLine.
std::optional<std::string> config_value(std::istream& file, std::string key);

// The record: field delimiter, record delimiter, 64 + field count, then per field its name
// padded to 8, 64 + its number and its one character. Throws CommandFailure when the file
// cannot make a record that travels whole.
std::string kd24_record(std::istream& file);

// Reads the file at path; throws CommandFailure ("PATH not found") when it cannot be read, and
// one naming the path when a line is too long.
std::string kd24_record_from_file(const std::string& path);

}  // namespace vantctl
