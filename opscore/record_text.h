// A polled record as one line of the poll data file, the data pane and vantctl's output.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace opscore {

// The record's bytes as text that holds no CR, LF or NUL: those are written as \r, \n and \0.
// A backslash is doubled only where it would otherwise read as one of those escapes (before a
// backslash, r, n or 0, or before an escaped byte), so records without control bytes keep
// their exact text.
std::string record_line_text(std::span<const unsigned char> record);

// Reads such a text back into the record's bytes; a backslash that starts no escape is itself.
std::string record_from_line_text(std::string_view text);

}  // namespace opscore
