#include "line_io.h"

#include <algorithm>
#include <string>

#include "state.h"
#include "trace.h"

namespace vantlink {
namespace {

// The longest single sleep: a signal that sets the cancel flag just before a sleep begins does
// not interrupt it, so a long wait looks at the flag at least this often.
constexpr int32_t kCancelCheckMs = 100;
// Just over the trace's burst gap, so a burst is written soon after the line went quiet.
constexpr int32_t kTraceBurstWaitMs = 21;

}  // namespace

bool waits_cut_short() {
    return cancel_requested.load(std::memory_order_relaxed) != 0 || trace_hook_running;
}

void pump_messages() {
    // The caller's events must not run inside its own trace handler.
    if (trace_hook_running) return;
    if (auto pump = active_message_pump()) pump();
}

MessagePump active_message_pump() {
    return state().message_pump != nullptr ? state().message_pump : system_message_pump();
}

int32_t TickWindow::elapsed() {
    const uint32_t now = tick_ms();
    const auto passed = static_cast<int32_t>(now - start_);
    if (passed <= 0) start_ = now;
    return passed;
}

int32_t TickWindow::remaining() {
    // In 64 bits: limit + 1 alone overflows at INT32_MAX, limit - elapsed at INT32_MIN.
    const int64_t left = int64_t{limit_} - std::max<int32_t>(elapsed(), 0) + 1;
    return static_cast<int32_t>(std::clamp<int64_t>(left, 1, INT32_MAX));
}

void idle_on_port(int32_t port, int32_t max_ms) {
    const bool traceWaits = trace_enabled() && trace_flush_if_quiet();
    // With a pump installed the caller's events are served at least every pump interval (1 ms
    // unless the caller asked for longer); bytes that arrive end the sleep at once.
    int32_t sleep_ms = std::clamp<int32_t>(max_ms, 1, kCancelCheckMs);
    if (state().message_pump != nullptr) sleep_ms = std::min(sleep_ms, state().pump_interval_ms);
    // A burst in the trace is written once the line has been quiet a moment, not a long sleep
    // later: whoever follows the trace sees the request while its answer is awaited.
    if (traceWaits) sleep_ms = std::min(sleep_ms, kTraceBurstWaitMs);
    if (Transport* transport = port_transport(port)) {
        transport->wait_readable(sleep_ms);
    } else {
        idle_sleep(sleep_ms);
    }
}

int32_t pumped_wait(int32_t ms, int32_t port) {
    TickWindow window(ms);
    for (;;) {
        pump_messages();
        const int32_t passed = window.elapsed();
        if (passed > ms || waits_cut_short()) return passed;
        idle_on_port(port, window.remaining());
    }
}

bool pumped_wait_for_line(int32_t ms, int32_t port) {
    TickWindow window(ms);
    for (;;) {
        pump_messages();
        const Transport* transport = port_transport(port);
        if (transport != nullptr && !transport->line_lost()) return true;
        if (window.elapsed() > ms || waits_cut_short() || transport == nullptr) return false;
        idle_on_port(port, window.remaining());
    }
}

bool port_write(int32_t port, std::span<const uint8_t> bytes) {
    Transport* transport = port_transport(port);
    if (transport == nullptr) return false;
    // Traced once written: bytes that never left must not show as sent.
    const bool written = transport->write(bytes);
    if (trace_enabled()) {
        if (written) {
            trace_bytes(transport->name(), '>', bytes);
        } else {
            std::string text = "write failed, not sent:";
            for (uint8_t byte : bytes) text += ' ' + trace_byte_text(byte);
            trace_note(transport->name(), text);
        }
    }
    if (written && trace_hook.handler != nullptr) call_trace_hook(port, TRACE_SENT, bytes);
    return written;
}

bool port_write_byte(int32_t port, uint8_t byte) {
    return port_write(port, std::span<const uint8_t>(&byte, 1));
}

int port_read(int32_t port) {
    Transport* transport = port_transport(port);
    if (transport == nullptr) return -1;
    const int byte = transport->read_byte();
    if (byte >= 0 && trace_enabled()) {
        const auto value = static_cast<uint8_t>(byte);
        trace_bytes(transport->name(), '<', std::span<const uint8_t>(&value, 1));
    }
    if (byte >= 0 && trace_hook.handler != nullptr) {
        const auto value = static_cast<uint8_t>(byte);
        call_trace_hook(port, TRACE_RECEIVED, std::span<const uint8_t>(&value, 1));
    }
    return byte;
}

void port_purge(int32_t port) {
    if (Transport* transport = port_transport(port)) transport->purge();
}

void port_drain(int32_t port) {
    if (Transport* transport = port_transport(port)) transport->drain();
}

}  // namespace vantlink
