// Monotonic time in nanoseconds: the same clock the link library stamps its trace with.
#pragma once

#include <cstdint>
#include <ctime>

namespace termsim {

using Nanos = std::int64_t;

inline constexpr Nanos kNanosPerMilli = 1'000'000;
inline constexpr Nanos kNanosPerSecond = 1'000'000'000;

inline Nanos monotonic_now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Nanos>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

inline timespec to_timespec(Nanos t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t / kNanosPerSecond);
    ts.tv_nsec = static_cast<long>(t % kNanosPerSecond);
    return ts;
}

// Sleeps until an absolute monotonic time; returns at once when it has passed.
inline void sleep_until(Nanos t) {
    const timespec ts = to_timespec(t);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

}  // namespace termsim
