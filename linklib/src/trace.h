// Byte trace of the line, switched on by VANTLINK_TRACE=<file> ("-" is standard error).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantlink {

bool trace_enabled();
// Adds bytes to the current burst; a change of direction or port starts a new line.
void trace_bytes(const char* port_name, char direction, std::span<const uint8_t> bytes);
// Ends the current burst.
void trace_flush();
// Ends the current burst once the line has been quiet for a while.
void trace_flush_if_quiet();

// One byte as the trace writes it: a control name such as "STX", else two hex digits.
std::string trace_byte_text(uint8_t byte);

}  // namespace vantlink
