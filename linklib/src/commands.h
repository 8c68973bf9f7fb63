// The common procedure of a terminal command: wake, exchange, pause, sleep, and result rules.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "frame.h"

namespace vantlink {

inline constexpr size_t kSmallAnswerArea = 100;  // answers of inquiries and one-value commands
inline constexpr size_t kLargeAnswerArea = 256;

struct Command {
    uint8_t letter;
    bool wake;
    bool sleep;
    size_t answer_area = kLargeAnswerArea;
    int32_t pause_before_sleep_ms = 0;
    int32_t pause_after_sleep_ms = 0;
};

struct Answer {
    int outcome = 0;
    std::array<uint8_t, kLargeAnswerArea> bytes{};
    int32_t length = 0;

    bool is_data() const { return outcome == 3; }
    // The status byte of a data answer, or -1 when there is none.
    int status() const { return is_data() && length >= 3 ? bytes[2] : -1; }
    // Decoded text from byte 2 up to its NUL.
    const char* text() const;
};

// How an outcome becomes a return code: a base mapping (1 or 2), optionally ACK taken as an
// unexpected answer, and for data answers the results of status bytes 0, 1 and 2.
struct ResultRule {
    int mapping;
    bool ack_is_unknown = false;
    std::array<int32_t, 3> status{-1, -1, -1};
};

int32_t result_of(const Answer& answer, const ResultRule& rule);

// Runs the wake-up step (when power saving is on and the command has it), the exchange, the
// pauses and the sleep step (to sleep_address). False when the wake-up failed: nothing was sent.
bool run_command(int32_t port, int32_t address, const Command& command,
                 std::span<const uint8_t> data, Answer& answer, int32_t sleep_address);
inline bool run_command(int32_t port, int32_t address, const Command& command,
                        std::span<const uint8_t> data, Answer& answer) {
    return run_command(port, address, command, data, answer, address);
}

// Wake-up and sleep steps as the commands run them: only when power saving is on.
bool wake_if_saving(int32_t port, int32_t address);
void sleep_if_saving(int32_t port, int32_t address);

// Copies text into a caller's buffer of `room` bytes, cut to fit; returns the length copied.
int32_t copy_text(const char* text, char* out, size_t room);

}  // namespace vantlink
