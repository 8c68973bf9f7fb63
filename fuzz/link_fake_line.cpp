#include "link_fake_line.h"

#include <dlfcn.h>
#include <poll.h>
#include <time.h>

#include <cstring>
#include <memory>

#include "state.h"

namespace {

bool fake_clock_on = false;
int64_t fake_now_ns = int64_t{1000} * 1000 * 1000 * 1000;  // far from a tick wrap

template <typename Function>
Function next_definition(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// The library reads its millisecond tick through clock_gettime and waits without a port in
// poll(2): both are taken over here while a fake line is installed.
extern "C" int clock_gettime(clockid_t clock, struct timespec* ts) {
    if (fake_clock_on && clock == CLOCK_MONOTONIC) {
        ts->tv_sec = static_cast<time_t>(fake_now_ns / 1000000000);
        ts->tv_nsec = static_cast<long>(fake_now_ns % 1000000000);
        return 0;
    }
    using Real = int (*)(clockid_t, struct timespec*);
    static const Real real = next_definition<Real>("clock_gettime");
    return real(clock, ts);
}

extern "C" int poll(struct pollfd* fds, nfds_t count, int timeout_ms) {
    if (fake_clock_on && count == 0) {
        linkfuzz::advance_clock_ms(timeout_ms > 0 ? timeout_ms : 1);
        return 0;
    }
    using Real = int (*)(struct pollfd*, nfds_t, int);
    static const Real real = next_definition<Real>("poll");
    return real(fds, count, timeout_ms);
}

namespace linkfuzz {

void advance_clock_ms(int64_t ms) {
    fake_now_ns += ms * 1000000;
}

FakeLine::FakeLine(int32_t port, std::span<const uint8_t> script) : port_(port) {
    auto transport = std::make_unique<ScriptedTransport>(script);
    transport_ = transport.get();
    vantlink::install_transport(port, std::move(transport));
    fake_clock_on = true;
}

FakeLine::~FakeLine() {
    fake_clock_on = false;
    vantlink::install_transport(port_, nullptr);
}

void GuardedBuffer::check_guards() const {
    for (size_t i = 0; i < kGuard; ++i) {
        if (bytes_[i] != kFill || bytes_[kGuard + size_ + i] != kFill) __builtin_trap();
    }
}

size_t GuardedBuffer::checked_text_length() const {
    const auto* start = bytes_.data() + kGuard;
    const void* nul = std::memchr(start, 0, size_);
    if (nul == nullptr) __builtin_trap();
    return static_cast<size_t>(static_cast<const uint8_t*>(nul) - start);
}

}  // namespace linkfuzz
