#include "request_parser.h"

namespace termsim {

namespace {

// A request is written in one go; a long pause inside one means the rest was lost.
constexpr Nanos kFrameGap = 1000 * kNanosPerMilli;
// Letter, 256 data bytes, two check characters.
constexpr std::size_t kMaxBody = 259;

}  // namespace

std::optional<Request> RequestParser::feed(std::uint8_t byte, Nanos arrival) {
    if (state_ != State::Idle && arrival - last_arrival_ > kFrameGap) state_ = State::Idle;
    last_arrival_ = arrival;

    switch (state_) {
        case State::Idle:
            if (byte == kStx) {
                state_ = State::AfterStx;
                return std::nullopt;
            }
            return Request{Request::Type::Byte, 0, 0, {}, false, byte};
        case State::AfterStx:
            if (byte == kEsc) {
                state_ = State::InCommand;
                body_.clear();
            } else if (byte >= 0x80) {
                state_ = State::Idle;
                return Request{Request::Type::Poll, byte, 0, {}, false, 0};
            } else if (byte != kStx) {
                state_ = State::Idle;
            }
            return std::nullopt;
        case State::InCommand:
            if (ends_request(byte)) return finish_command(byte);
            body_.push_back(byte);
            if (body_.size() > kMaxBody) state_ = State::Idle;  // no terminator: drop and resync
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Request> RequestParser::finish_command(std::uint8_t address_byte) {
    state_ = State::Idle;
    if (body_.size() < 3) return std::nullopt;  // letter and check at least
    Request request;
    request.type = Request::Type::Command;
    request.address_byte = address_byte;
    request.letter = body_.front();
    request.data.assign(body_.begin() + 1, body_.end() - 2);
    const std::uint8_t check = request_check(request.letter, request.data, address_byte);
    request.check_ok =
        body_[body_.size() - 2] == check_high(check) && body_.back() == check_low(check);
    return request;
}

}  // namespace termsim
