// The tick and the sleeps of the waits on POSIX systems.
#include <poll.h>

#include <ctime>

#include "line_io.h"

namespace vantlink {

uint32_t tick_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

// No window system here: only a pump the caller installs is served.
MessagePump system_message_pump() {
    return nullptr;
}

void idle_sleep(int32_t ms) {
    poll(nullptr, 0, ms);
}

}  // namespace vantlink
