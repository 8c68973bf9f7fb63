// KD24 configuration files (*.KD24) and the configuration record built from them.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace opscore {

// Far beyond any line of a configuration file: a longer one means the file is not one.
inline constexpr std::size_t kMaxConfigLine = 4096;

// Why a file gives no value or no record that reaches the terminal whole.
struct Kd24Error {
    enum class Kind {
        LineTooLong,    // a line beyond kMaxConfigLine; the file was not read on
        ReadError,      // a read of the file failed
        NoFields,       // the FIELD list names no field
        TooManyFields,  // more fields than a record holds
        BadByte,        // a delimiter or field number that gives no record byte from 1 to 255,
                        // or a zero byte in a field's name or character
        BadField,       // a field that is not (NAME/NUMBER/CHAR)
    };
    Kind kind;
    std::string message;  // the operator's words
};

struct ConfigValue {
    std::optional<std::string> value;  // none when no line holds the key
    std::optional<Kd24Error> error;    // the file could not be read as far as the key
};

// The value of key: key = value lines, keys compared without case and ending at their first
// blank, the value after the last "=", the first line with the key counting.
ConfigValue config_value(std::istream& file, std::string_view key);

struct Kd24Record {
    std::string bytes;  // without its closing NUL; empty with an error
    std::optional<Kd24Error> error;
};

// The record: field delimiter, record delimiter, 64 + field count, then per field its name
// padded to 8, 64 + its number and its one character.
Kd24Record kd24_record(std::istream& file);

}  // namespace opscore
