#include "line.h"

namespace termsim {

Line::Line(std::vector<std::unique_ptr<Terminal>> terminals, std::unique_ptr<Tester> tester,
           const LineConfig& config, Trace& trace, Downlink& downlink)
    : terminals_(std::move(terminals)),
      tester_(std::move(tester)),
      config_(config),
      trace_(trace),
      downlink_(downlink),
      dice_(config.seed) {
    for (auto& terminal : terminals_) {
        terminal->set_address_check([this](char address) { return address_in_use(address); });
    }
}

bool Line::address_in_use(char address) const {
    for (const auto& terminal : terminals_) {
        if (terminal->address() == address) return true;
    }
    return tester_ && address == Tester::kAddress;
}

Terminal* Line::find(std::uint8_t address_byte) {
    for (auto& terminal : terminals_) {
        if (termsim::address_byte(terminal->address()) == address_byte) return terminal.get();
    }
    return nullptr;
}

void Line::receive(std::uint8_t byte, Nanos arrival) {
    const auto request = parser_.feed(byte, arrival);
    if (!request) return;
    switch (request->type) {
        case Request::Type::Poll:
            on_poll(request->address_byte, arrival);
            break;
        case Request::Type::Command:
            on_command(*request, arrival);
            break;
        case Request::Type::Byte:
            on_byte(request->byte, arrival);
            break;
    }
}

void Line::on_byte(std::uint8_t byte, Nanos at) {
    if (byte == kAck && pending_) {
        auto acknowledged = std::move(pending_->on_ack);
        pending_.reset();
        if (acknowledged) acknowledged();
        return;
    }
    if (byte == kNak && pending_) {
        if (dice_.strikes(config_.faults.silence)) return fault("silence");
        deliver(data_frame(pending_->payload), at + config_.turnaround);
        return;
    }
    if (byte == kNul) {
        for (auto& terminal : terminals_) terminal->wake();
    }
}

void Line::on_poll(std::uint8_t address_byte, Nanos at) {
    pending_.reset();  // a new request: an unacknowledged answer counts as lost
    Terminal* terminal = find(address_byte);
    if (!terminal || terminal->asleep()) return;
    answer_request([terminal] { return terminal->poll(); }, at);
}

void Line::on_command(const Request& request, Nanos at) {
    pending_.reset();
    if (tester_ && request.address_byte == address_byte(Tester::kAddress)) {
        if (request.check_ok) tester_->frame(request.letter, request.data);
        return;
    }
    Terminal* terminal = find(request.address_byte);
    if (!terminal || terminal->asleep()) return;
    if (!request.check_ok) {
        trace_.event(std::string(1, terminal->address()) + ": bad check, NAK");
        downlink_.send({kNak}, at + config_.turnaround);
        return;
    }
    if (tester_ && request.letter == 'l') tester_->expect_file(to_text(request.data));
    answer_request([&] { return terminal->command(request.letter, request.data); }, at);
}

// Silence and NAK strike before the terminal acts, so the host's resend finds it unchanged.
template <typename Handle>
void Line::answer_request(Handle handle, Nanos at) {
    if (dice_.strikes(config_.faults.silence)) return fault("silence");
    if (dice_.strikes(config_.faults.nak)) {
        fault("NAK");
        downlink_.send({kNak}, at + config_.turnaround);
        return;
    }
    transmit(handle(), at);
}

void Line::transmit(Answer answer, Nanos at) {
    const Nanos start = at + config_.turnaround;
    switch (answer.kind) {
        case Answer::Kind::None:
            return;
        case Answer::Kind::Ack:
            return deliver({kAck}, start);
        case Answer::Kind::Nak:
            return deliver({kNak}, start);
        case Answer::Kind::Eot:
            return deliver({kEot}, start);
        case Answer::Kind::Data:
            pending_ = Pending{answer.payload, std::move(answer.on_ack)};
            return deliver(data_frame(answer.payload), start);
    }
}

Bytes Line::data_frame(const Bytes& payload) {
    if (dice_.strikes(config_.faults.check)) {
        fault("bad check");
        return frame_data_answer_bad_check(payload);
    }
    if (dice_.strikes(config_.faults.check1)) {
        const bool high = dice_.between(0, 1) == 0;
        fault(high ? "bad check high" : "bad check low");
        return frame_data_answer_bad_check_character(payload, high);
    }
    return frame_data_answer(payload);
}

void Line::deliver(const Bytes& answer, Nanos start) {
    if (downlink_.has_carrier() && dice_.strikes(config_.faults.carrier)) {
        fault("carrier dropped");
        pending_.reset();
        downlink_.drop_carrier(start);
        return;
    }
    Bytes bytes;
    if (dice_.strikes(config_.faults.noise)) {
        fault("noise");
        const int count = dice_.between(1, 5);
        for (int i = 0; i < count; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(dice_.between(0x20, 0x7E)));
        }
    }
    bytes.insert(bytes.end(), answer.begin(), answer.end());
    if (dice_.strikes(config_.faults.late)) {
        fault("late answer");
        start += config_.faults.late_ms * kNanosPerMilli;
    }
    downlink_.send(bytes, start);
}

void Line::fault(const char* what) {
    trace_.event(std::string("fault injected: ") + what);
}

}  // namespace termsim
