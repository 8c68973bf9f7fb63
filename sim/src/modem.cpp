#include "modem.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace termsim {

namespace {

constexpr Nanos kGuardTime = 200 * kNanosPerMilli;
constexpr Nanos kPlusSpacing = 1000 * kNanosPerMilli;  // longest pause between the three '+'
constexpr int kDefaultDialDelayMs = 300;
constexpr std::size_t kMaxCommandLine = 100;

bool is_dial_character(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#';
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

Modem::Modem(int baud, std::vector<DialPlan> numbers, PtyPort& port, Scheduler& timers,
             Trace& trace)
    : baud_(baud), numbers_(std::move(numbers)), port_(port), timers_(timers), trace_(trace) {}

void Modem::receive(std::uint8_t byte, Nanos arrival) {
    switch (state_) {
        case State::Command:
            command_byte(byte, arrival);
            break;
        case State::Dialing:
            break;  // the host waits for the result; stray bytes are lost
        case State::Data:
            data_byte(byte, arrival);
            break;
    }
    last_host_byte_ = arrival;
}

void Modem::command_byte(std::uint8_t byte, Nanos arrival) {
    if (echo_) port_.send({byte}, arrival);
    if (byte == '\r') {
        const std::string line = command_;
        command_.clear();
        execute(line, arrival);
    } else if (byte == 0x08) {
        if (!command_.empty()) command_.pop_back();
    } else if (byte >= 0x20 && byte < 0x7F && command_.size() < kMaxCommandLine) {
        command_ += static_cast<char>(byte);
    }
}

void Modem::data_byte(std::uint8_t byte, Nanos arrival) {
    const bool plus_in_sequence = byte == '+' && plus_count_ < 3 &&
                                  (plus_count_ == 0 ? arrival - last_host_byte_ >= kGuardTime
                                                    : arrival - last_plus_ <= kPlusSpacing);
    if (plus_in_sequence) {
        ++plus_count_;
        last_plus_ = arrival;
        if (plus_count_ == 3) {
            const unsigned token = ++escape_token_;
            timers_.at(arrival + kGuardTime, [this, token] { check_escape(token); });
        }
    } else {
        plus_count_ = 0;
        ++escape_token_;  // any byte inside the guard time cancels the escape
    }
    if (line_) line_->receive(byte, arrival);
}

void Modem::check_escape(unsigned token) {
    if (token != escape_token_ || state_ != State::Data) return;
    plus_count_ = 0;
    state_ = State::Command;
    trace_.event("modem: escaped to command state");
    reply("OK", monotonic_now());
}

void Modem::execute(const std::string& raw_line, Nanos at) {
    std::string line = upper(trimmed(raw_line));
    if (line.empty()) return;
    // Like a real modem, look for the AT that starts a command: "+++" typed in command state
    // (a hang-up after a failed dial) stays in front of it.
    if (const auto at_sign = line.find("AT"); at_sign != std::string::npos) line.erase(0, at_sign);
    if (line.size() < 2 || line.compare(0, 2, "AT") != 0) return reply("ERROR", at);
    trace_.event("modem: " + line);
    bool answered = false;
    if (!run_commands(line.substr(2), at, answered)) return reply("ERROR", at);
    if (!answered) reply("OK", at);
}

bool Modem::run_commands(const std::string& commands, Nanos at, bool& answered) {
    std::size_t i = 0;
    auto number = [&] {
        int value = 0;
        while (i < commands.size() && std::isdigit(static_cast<unsigned char>(commands[i]))) {
            // A long run of digits from the host saturates instead of overflowing.
            const int digit = commands[i++] - '0';
            constexpr int kMax = std::numeric_limits<int>::max();
            value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
        }
        return value;
    };
    while (i < commands.size()) {
        const char c = commands[i++];
        if (c == ' ') continue;
        if (c == 'D') {
            dial(commands.substr(i), at);
            answered = true;
            return true;
        }
        if (c == 'H') {
            number();
            if (connected_) trace_.event("modem: hung up");
            connected_ = false;
        } else if (c == 'O') {
            number();
            answered = true;
            if (!connected_) return reply("NO CARRIER", at), true;
            state_ = State::Data;
            return reply("CONNECT " + std::to_string(baud_), at), true;
        } else if (c == 'E') {
            echo_ = number() != 0;
        } else if (c == 'S') {
            const int reg = number();
            if (i < commands.size() && commands[i] == '=') {
                ++i;
                registers_[reg] = number();
            } else if (i < commands.size() && commands[i] == '?') {
                ++i;
                char value[16];  // any int, so a large register value is not cut
                (void)std::snprintf(value, sizeof value, "%03d", registers_[reg]);
                reply(value, at);
            } else {
                return false;
            }
        } else if (c == '&') {
            if (i >= commands.size() || !std::isalpha(static_cast<unsigned char>(commands[i]))) {
                return false;
            }
            ++i;
            number();
        } else if (std::string("ABCILMNPQTVWXZ").find(c) != std::string::npos) {
            number();
        } else {
            return false;
        }
    }
    return true;
}

void Modem::dial(const std::string& rest, Nanos at) {
    std::string digits;
    for (char c : rest) {
        if (is_dial_character(c)) digits += c;
    }
    if (digits.empty()) return reply("ERROR", at);
    DialPlan plan{digits, DialResult::Connect, kDefaultDialDelayMs};
    for (const auto& known : numbers_) {
        if (known.digits == digits) {
            plan.result = known.result;
            if (known.delay_ms >= 0) plan.delay_ms = known.delay_ms;
        }
    }
    state_ = State::Dialing;
    trace_.event("modem: dialing " + digits);
    timers_.at(at + plan.delay_ms * kNanosPerMilli, [this, plan] { dial_result(plan); });
}

void Modem::dial_result(const DialPlan& plan) {
    const Nanos now = monotonic_now();
    switch (plan.result) {
        case DialResult::Connect:
            state_ = State::Data;
            connected_ = true;
            last_host_byte_ = now;
            plus_count_ = 0;
            trace_.event("modem: connected to " + plan.digits);
            return reply("CONNECT " + std::to_string(baud_), now);
        case DialResult::NoCarrier:
            state_ = State::Command;
            return reply("NO CARRIER", now);
        case DialResult::Busy:
            state_ = State::Command;
            return reply("BUSY", now);
        case DialResult::NoAnswer:
            state_ = State::Command;
            return reply("NO ANSWER", now);
    }
}

void Modem::reply(const std::string& word, Nanos at) {
    port_.send(to_bytes("\r\n" + word + "\r\n"), at);
}

void Modem::send(const Bytes& bytes, Nanos earliest) {
    if (state_ == State::Data) port_.send(bytes, earliest);
}

void Modem::drop_carrier(Nanos at) {
    state_ = State::Command;
    connected_ = false;
    command_.clear();
    trace_.event("modem: carrier lost");
    reply("NO CARRIER", at);
}

}  // namespace termsim
