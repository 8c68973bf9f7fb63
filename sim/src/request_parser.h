// Splits the host's byte stream into polls, command requests and single bytes.
#pragma once

#include <optional>

#include "clock.h"
#include "wire.h"

namespace termsim {

struct Request {
    enum class Type { Poll, Command, Byte };

    Type type = Type::Byte;
    std::uint8_t address_byte = 0;  // Poll, Command
    std::uint8_t letter = 0;        // Command
    Bytes data;                     // Command, as received
    bool check_ok = false;          // Command
    std::uint8_t byte = 0;          // Byte: a byte outside any frame (ACK, NAK, NUL, noise)
};

class RequestParser {
public:
    std::optional<Request> feed(std::uint8_t byte, Nanos arrival);

private:
    enum class State { Idle, AfterStx, InCommand };

    std::optional<Request> finish_command(std::uint8_t address_byte);

    State state_ = State::Idle;
    Bytes body_;  // letter, data, check high, check low
    Nanos last_arrival_ = 0;
};

}  // namespace termsim
