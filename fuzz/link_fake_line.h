// A scripted terminal line for the link library's fuzz targets: a transport that hands out the
// fuzz input as the terminal's bytes, and a clock that moves only when the library waits, so a
// time-out costs no real time and an input that runs out ends every wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "transport.h"

namespace linkfuzz {

// While a fake line is installed, CLOCK_MONOTONIC and empty poll(2) waits of this process use
// the fake clock; otherwise (libFuzzer's own timing) the real ones.
void advance_clock_ms(int64_t ms);

// The terminal's side, split into bursts: each burst starts with a header byte, its low seven
// bits the length, its high bit "arrives only after the host gave up waiting". A burst is let
// in when the host has finished sending (drain) or waits for a byte that has not come.
class ScriptedTransport final : public vantlink::Transport {
public:
    explicit ScriptedTransport(std::span<const uint8_t> script) : script_(script) {}

    bool write(std::span<const uint8_t> bytes) override {
        sent_.insert(sent_.end(), bytes.begin(), bytes.end());
        return true;
    }
    int read_byte() override {
        if (arrived_.empty()) return -1;
        const uint8_t byte = arrived_.front();
        arrived_.pop_front();
        return byte;
    }
    void purge() override { arrived_.clear(); }
    void drain() override {
        if (next_is_late()) return;
        let_in_next_burst();
    }
    void wait_readable(int timeout_ms) override {
        if (!arrived_.empty()) return;
        if (script_.empty()) {
            advance_clock_ms(timeout_ms > 0 ? timeout_ms : 1);
            return;
        }
        advance_clock_ms(next_is_late() ? int64_t{timeout_ms} + 1 : 1);
        let_in_next_burst();
    }
    const char* name() const override { return "FUZZ"; }

    const std::vector<uint8_t>& sent() const { return sent_; }

private:
    bool next_is_late() const { return !script_.empty() && (script_[0] & 0x80) != 0; }
    void let_in_next_burst() {
        if (script_.empty()) return;
        const size_t length = std::min<size_t>(script_[0] & 0x7F, script_.size() - 1);
        arrived_.insert(arrived_.end(), script_.begin() + 1, script_.begin() + 1 + length);
        script_ = script_.subspan(1 + length);
    }

    std::span<const uint8_t> script_;
    std::deque<uint8_t> arrived_;
    std::vector<uint8_t> sent_;
};

// Installs a scripted transport on a port number for one fuzz input and the fake clock with
// it; removes both again.
class FakeLine {
public:
    FakeLine(int32_t port, std::span<const uint8_t> script);
    ~FakeLine();
    FakeLine(const FakeLine&) = delete;
    FakeLine& operator=(const FakeLine&) = delete;

    ScriptedTransport& transport() { return *transport_; }

private:
    int32_t port_;
    ScriptedTransport* transport_;
};

// Guard bytes around a caller buffer of a documented size.
class GuardedBuffer {
public:
    static constexpr size_t kGuard = 16;
    static constexpr uint8_t kFill = 0xA5;

    explicit GuardedBuffer(size_t size) : size_(size), bytes_(size + 2 * kGuard, kFill) {}
    uint8_t* data() { return bytes_.data() + kGuard; }
    char* text() { return reinterpret_cast<char*>(data()); }
    size_t size() const { return size_; }
    // Traps when anything was written before or after the buffer.
    void check_guards() const;
    // Traps unless the buffer holds a NUL within its size; returns the text length.
    size_t checked_text_length() const;

private:
    size_t size_;
    std::vector<uint8_t> bytes_;
};

}  // namespace linkfuzz
