// Byte trace of the line, switched on by VANTLINK_TRACE=<file> ("-" is standard error).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "vantlink.h"

namespace vantlink {

// The caller's trace handler (HM_set_trace_handler). A plain variable so that the line code
// pays one test of the function pointer when none is installed.
struct TraceHook {
    HM_trace_handler handler = nullptr;
    void* context = nullptr;
};
inline TraceHook trace_hook;
// True while the handler runs: the library then refuses calls that would use a port or a
// transfer (the handler may be inside a write of the very port it would close).
inline bool trace_hook_running = false;

// Hands bytes to the installed handler; the caller has checked that there is one.
void call_trace_hook(int32_t port, char direction, std::span<const uint8_t> bytes);

bool trace_enabled();
// Adds bytes to the current burst; a change of direction or port starts a new line.
void trace_bytes(const char* port_name, char direction, std::span<const uint8_t> bytes);
// Ends the current burst.
void trace_flush();
// A line of its own between the bursts: "<ms> ! <port> <text>".
void trace_note(const char* port_name, const std::string& text);
// Ends the current burst once the line has been quiet for a while; true while a burst is left.
bool trace_flush_if_quiet();

// One byte as the trace writes it: a control name such as "STX", else two hex digits.
std::string trace_byte_text(uint8_t byte);

}  // namespace vantlink
