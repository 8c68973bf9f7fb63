// Tick, message-pumping waits and byte I/O on a port number.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

namespace vantlink {

// HM_set_cancel: set from a signal handler, so a lock-free atomic and nothing else.
inline std::atomic<int32_t> cancel_requested{0};
static_assert(std::atomic<int32_t>::is_always_lock_free);

// True when every wait must end at once: the caller cancelled, or the trace handler is running
// (a call it makes is refused, and must not keep it waiting).
bool waits_cut_short();

// Wrapping 32-bit millisecond tick.
uint32_t tick_ms();

using MessagePump = void (*)();
// The pump that runs when the caller installed none: on Windows the calling thread's window
// messages, elsewhere none (nullptr).
MessagePump system_message_pump();
// The caller's pump, else the system's; nullptr when no pump must be served.
MessagePump active_message_pump();
// Calls the active message pump once.
void pump_messages();
// Sleeps ms without a port; on Windows a message for the calling thread ends it early.
void idle_sleep(int32_t ms);

// Sleeps until the port has input, a signal comes, or at most max_ms (1 ms when a pump must be
// served); never longer than a short slice, so a cancel set just before the sleep is seen soon.
void idle_on_port(int32_t port, int32_t max_ms);

// The message-pumping wait: returns the milliseconds that passed, always more than ms unless
// the wait was cut short. Given a port, its lost line is tried again meanwhile.
int32_t pumped_wait(int32_t ms, int32_t port = -1);
// As pumped_wait on a port whose line is lost, ending as soon as it is back: true then.
bool pumped_wait_for_line(int32_t ms, int32_t port);

// A window that starts now and ends when more than limit_ms ticks have passed. Ticks that go
// backwards (wrap) restart it, as the protocol's busy waits always did.
class TickWindow {
public:
    explicit TickWindow(int32_t limit_ms) : start_(tick_ms()), limit_(limit_ms) {}
    // Milliseconds that passed, corrected for a wrap.
    int32_t elapsed();
    bool expired() { return elapsed() > limit_; }
    // Milliseconds to sleep before the window can have expired: at least 1, at most the
    // int32 range, whatever the limit (a setting may be anything from INT32_MIN to INT32_MAX).
    int32_t remaining();

private:
    uint32_t start_;
    int32_t limit_;
};

bool port_write(int32_t port, std::span<const uint8_t> bytes);
bool port_write_byte(int32_t port, uint8_t byte);
// Next byte without waiting, or -1.
int port_read(int32_t port);
void port_purge(int32_t port);
void port_drain(int32_t port);

}  // namespace vantlink
