#include "net_port.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "line_io.h"
#include "port_diagnosis.h"
#include "state.h"
#include "trace.h"

namespace vantlink {
namespace {

using Clock = std::chrono::steady_clock;

// Telnet.
constexpr uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                  kSe = 240;
constexpr uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
// COM port control: what the client sets; the server answers each with its code plus 100.
constexpr uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                  kNotifyModemState = 7, kPurgeData = 12, kAnswer = 100;
constexpr uint8_t kPurgeReceiveBuffer = 1;
constexpr uint8_t kCarrierDetect = 0x80;

// The longest sub-negotiation kept (a signature text is the longest a server sends); anything
// longer is dropped up to its end, so a server cannot grow memory.
constexpr size_t kSubLimit = 64;
constexpr size_t kReceiveChunk = 4096;
// A purge reads what is waiting, but not for ever under a flood.
constexpr int kPurgeChunks = 16;
constexpr int32_t kReconnectIntervalMs = 500;
constexpr int kMaxConnectMs = 30000;

int connect_timeout() {
    return std::clamp(state().settings.time_out_ms, kMinConnectMs, kMaxConnectMs);
}

std::string socket_failure(const std::string& endpoint, int error) {
    switch (error) {
        case EPIPE:
            return endpoint + " closed the connection";
        case ECONNRESET:
            return "Connection reset by " + endpoint;
        case ETIMEDOUT:
            return endpoint + " stopped answering (connection timed out)";
        default:
            return endpoint + ": " + std::strerror(error);
    }
}

// One side's state of a Telnet option.
enum class Option : uint8_t { Off, Asked, On };

// The open connection. Raw bytes pass unchanged; under Telnet 0xFF is doubled both ways, the
// server's option requests are answered and its COM port answers and notifications are read.
// When the connection breaks it is closed and made again, an attempt at most every 500 ms and
// only while an operation runs, each step waiting no longer than the wait it runs in; until
// then every operation finds the line silent, as with a serial device that hung up.
class NetTransport final : public Transport {
public:
    NetTransport(NetworkUrl url, std::string text, std::string name, const LineSettings& settings)
        : url_(std::move(url)),
          text_(std::move(text)),
          name_(std::move(name)),
          settings_(settings),
          connector_(url_) {}
    ~NetTransport() override { close_socket(); }

    // Runs the first attempt to its end; false with the reason when it failed.
    bool establish(std::string& reason) {
        begin_attempt();
        while (phase_ == Phase::Connecting || phase_ == Phase::Negotiating) {
            if (waits_cut_short()) attempt_failed("cancelled while connecting to " + text_);
            advance(100);
        }
        reason = failure_;
        return phase_ == Phase::Up;
    }

    bool write(std::span<const uint8_t> bytes) override {
        if (phase_ != Phase::Up) {
            if (phase_ == Phase::Lost && attempt_due()) begin_attempt();
            if (phase_ != Phase::Up) advance(0);
            if (phase_ != Phase::Up) return false;
        }
        if (!url_.telnet) return send_all(bytes) && note_written(bytes.size());
        std::vector<uint8_t> escaped;
        escaped.reserve(bytes.size() + 8);
        for (uint8_t byte : bytes) {
            escaped.push_back(byte);
            if (byte == kIac) escaped.push_back(kIac);
        }
        return send_all(escaped) && note_written(bytes.size());
    }

    int read_byte() override {
        if (read_at_ == data_.size() && phase_ == Phase::Up) receive();
        if (read_at_ == data_.size()) return -1;
        return data_[read_at_++];
    }

    // Input only, as on a serial line. The device server's own buffer is purged once, when the
    // line is set: a purge there is a round trip that ser2net, for one, answers only after tens
    // of milliseconds, which would slow every exchange several times over.
    void purge() override {
        drop_data();
        for (int chunk = 0; chunk < kPurgeChunks && phase_ == Phase::Up && receive(); ++chunk)
            drop_data();
    }

    // The device server sends at the line's speed while its socket took the bytes at once: the
    // answer time-out must open once the bytes have left the far end, so their line time is
    // waited here, ten bits a byte, counted from when they were written.
    void drain() override {
        while (Clock::now() < line_busy_until_ && !waits_cut_short()) {
            std::this_thread::sleep_until(
                std::min(line_busy_until_, Clock::now() + std::chrono::milliseconds(100)));
        }
    }

    void wait_readable(int timeout_ms) override {
        if (phase_ == Phase::Up) {
            if (read_at_ < data_.size()) return;
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, timeout_ms) > 0) receive();
            return;
        }
        if (phase_ == Phase::Lost) {
            if (!attempt_due()) {
                const auto until = static_cast<int32_t>(next_attempt_ms_ - tick_ms());
                ::poll(nullptr, 0, std::clamp(until, 1, std::max(timeout_ms, 1)));
                return;
            }
            begin_attempt();
        }
        advance(timeout_ms);
    }

    bool line_lost() const override { return phase_ != Phase::Up; }
    const char* name() const override { return name_.c_str(); }

private:
    enum class Phase { Up, Lost, Connecting, Negotiating };
    enum class Parse { Data, Command, Verb, Sub, SubCommand };

    bool attempt_due() const { return static_cast<int32_t>(tick_ms() - next_attempt_ms_) >= 0; }

    void begin_attempt() {
        close_socket();
        next_attempt_ms_ = tick_ms() + kReconnectIntervalMs;
        const int timeout = connect_timeout();
        attempt_deadline_ = Clock::now() + std::chrono::milliseconds(timeout);
        connector_.begin(timeout);
        failure_.clear();
        phase_ = Phase::Connecting;
    }

    // Takes the attempt on by at most wait_ms.
    void advance(int wait_ms) {
        if (phase_ == Phase::Connecting) {
            switch (connector_.step(wait_ms)) {
                case NetConnector::Step::Pending:
                    return;
                case NetConnector::Step::Failed:
                    attempt_failed(connector_.failure());
                    return;
                case NetConnector::Step::Connected:
                    break;
            }
            fd_ = connector_.take_socket();
            start_session();
            if (!url_.telnet) return come_up();
            phase_ = Phase::Negotiating;
            ask(kWill, kComPort);
            ask(kWill, kBinary);
            ask(kDo, kBinary);
            ask(kWill, kSuppressGoAhead);
            ask(kDo, kSuppressGoAhead);
            send_all(pending_replies());
            return;
        }
        if (phase_ != Phase::Negotiating) return;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(attempt_deadline_ - Clock::now())
                .count();
        if (left <= 0) {
            return attempt_failed(text_ + " did not take up COM port control (RFC 2217) within " +
                                  std::to_string(connect_timeout()) +
                                  " ms: is it a raw TCP port? Then use tcp://");
        }
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(std::min<long long>(wait_ms, left))) > 0) receive();
        drop_data();  // nothing the line sent before its settings counts
        if (phase_ != Phase::Negotiating) return;
        if (ours_[kComPort] == Option::On) {
            send_line_settings();
            if (phase_ == Phase::Negotiating) come_up();
        } else if (ours_[kComPort] == Option::Off) {
            attempt_failed(text_ + " refused COM port control (RFC 2217): is it a raw TCP port? " +
                           "Then use tcp://");
        }
    }

    void come_up() {
        phase_ = Phase::Up;
        trace_note(name_.c_str(), ever_up_ ? std::string("line back") : "open " + text_);
        ever_up_ = true;
    }

    void attempt_failed(const std::string& reason) {
        close_socket();
        failure_ = reason;
        phase_ = Phase::Lost;
    }

    // A connection that broke: said once in the trace, made again by later waits.
    void connection_failed(const std::string& reason) {
        if (phase_ != Phase::Up) return attempt_failed(reason);
        close_socket();
        phase_ = Phase::Lost;
        next_attempt_ms_ = tick_ms() + kReconnectIntervalMs;
        trace_note(name_.c_str(), "line lost: " + reason);
    }

    void close_socket() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        drop_data();
    }

    void start_session() {
        ours_.fill(Option::Off);
        theirs_.fill(Option::Off);
        parse_ = Parse::Data;
        replies_.clear();
        carrier_known_ = false;
        line_busy_until_ = Clock::now();
    }

    // One read of what is waiting, through the Telnet layer; false when nothing came.
    bool receive() {
        if (read_at_ == data_.size()) drop_data();
        std::array<uint8_t, kReceiveChunk> chunk{};
        const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (n == 0) connection_failed(url_.endpoint() + " closed the connection");
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            connection_failed(socket_failure(url_.endpoint(), errno));
        if (n <= 0) return false;
        if (!url_.telnet) {
            data_.insert(data_.end(), chunk.begin(), chunk.begin() + n);
            return true;
        }
        for (ssize_t i = 0; i < n; ++i) take_telnet(chunk[static_cast<size_t>(i)]);
        if (!replies_.empty()) send_all(pending_replies());
        return true;
    }

    void take_telnet(uint8_t byte) {
        switch (parse_) {
            case Parse::Data:
                if (byte == kIac) {
                    parse_ = Parse::Command;
                } else {
                    data_.push_back(byte);
                }
                return;
            case Parse::Command:
                take_command(byte);
                return;
            case Parse::Verb:
                answer(verb_, byte);
                parse_ = Parse::Data;
                return;
            case Parse::Sub:
                if (byte == kIac) {
                    parse_ = Parse::SubCommand;
                } else {
                    keep_sub(byte);
                }
                return;
            case Parse::SubCommand:
                if (byte == kIac) {
                    keep_sub(byte);
                    parse_ = Parse::Sub;
                } else if (byte == kSe) {
                    if (!sub_dropped_) take_sub();
                    parse_ = Parse::Data;
                } else {
                    take_command(byte);  // a sub-negotiation cut off: dropped
                }
                return;
        }
    }

    void take_command(uint8_t byte) {
        parse_ = Parse::Data;
        if (byte == kIac) {
            data_.push_back(byte);
        } else if (byte >= kWill && byte <= kDont) {
            verb_ = byte;
            parse_ = Parse::Verb;
        } else if (byte == kSb) {
            sub_.clear();
            sub_dropped_ = false;
            parse_ = Parse::Sub;
        }
        // NOP, GA and the other commands carry nothing for this line.
    }

    void keep_sub(uint8_t byte) {
        if (sub_.size() < kSubLimit) {
            sub_.push_back(byte);
        } else {
            sub_dropped_ = true;
        }
    }

    // Our side may take COM port control, binary and no go-ahead; the server's side binary and
    // no go-ahead. Everything else is refused; a request already granted or refused is not
    // answered again, so the two sides cannot loop.
    static bool we_offer(uint8_t option) {
        return option == kComPort || option == kBinary || option == kSuppressGoAhead;
    }
    static bool we_accept(uint8_t option) {
        return option == kBinary || option == kSuppressGoAhead;
    }

    void ask(uint8_t verb, uint8_t option) {
        (verb == kWill ? ours_ : theirs_)[option] = Option::Asked;
        replies_.insert(replies_.end(), {kIac, verb, option});
    }

    void answer(uint8_t verb, uint8_t option) {
        const bool about_us = verb == kDo || verb == kDont;
        Option& state = (about_us ? ours_ : theirs_)[option];
        const bool wanted = verb == kDo || verb == kWill;
        const uint8_t yes = about_us ? kWill : kDo, no = about_us ? kWont : kDont;
        if (wanted && (about_us ? we_offer(option) : we_accept(option))) {
            if (state == Option::Off) replies_.insert(replies_.end(), {kIac, yes, option});
            state = Option::On;
        } else if (wanted) {
            replies_.insert(replies_.end(), {kIac, no, option});
        } else {
            if (state == Option::On) replies_.insert(replies_.end(), {kIac, no, option});
            state = Option::Off;
        }
    }

    std::vector<uint8_t> pending_replies() { return std::exchange(replies_, {}); }

    void take_sub() {
        if (sub_.size() < 3 || sub_[0] != kComPort) return;
        const uint8_t code = sub_[1];
        const std::span<const uint8_t> value(sub_.data() + 2, sub_.size() - 2);
        if (code == kAnswer + kNotifyModemState) return take_modem_state(value[0]);
        // The server answers each setting with what the line now runs at.
        const std::vector<uint8_t> asked = setting_value(static_cast<uint8_t>(code - kAnswer));
        if (code <= kAnswer || asked.empty() ||
            std::equal(value.begin(), value.end(), asked.begin(), asked.end())) {
            return;
        }
        static constexpr std::array<const char*, 5> kWhat = {"", "speed", "data size", "parity",
                                                             "stop size"};
        std::string note = std::string("device server kept its ") + kWhat[code - kAnswer] + ":";
        for (uint8_t byte : value) note += ' ' + std::to_string(byte);
        trace_note(name_.c_str(), note);
    }

    // A lost carrier is the modem's to report ("NO CARRIER" in the data, read by the modem
    // commands as on a serial line, which ignores the carrier signal); the trace says it too.
    void take_modem_state(uint8_t state) {
        const bool carrier = (state & kCarrierDetect) != 0;
        if (carrier_known_ && carrier != carrier_)
            trace_note(name_.c_str(), carrier ? "carrier back" : "carrier lost");
        carrier_known_ = true;
        carrier_ = carrier;
    }

    // The value sent for a setting, as the server answers it; empty for anything else.
    std::vector<uint8_t> setting_value(uint8_t command) const {
        switch (command) {
            case kSetBaudRate: {
                const uint32_t rate = settings_.baud_rate;
                return {static_cast<uint8_t>(rate >> 24), static_cast<uint8_t>(rate >> 16),
                        static_cast<uint8_t>(rate >> 8), static_cast<uint8_t>(rate)};
            }
            case kSetDataSize:
                return {static_cast<uint8_t>(settings_.data_bits)};
            case kSetParity:  // 1 none, 2 odd, 3 even
                return {static_cast<uint8_t>(settings_.parity + 1)};
            case kSetStopSize:
                return {static_cast<uint8_t>(settings_.stop_bits)};
            default:
                return {};
        }
    }

    void send_line_settings() {
        for (uint8_t command : {kSetBaudRate, kSetDataSize, kSetParity, kSetStopSize})
            if (!send_com_port(command, setting_value(command))) return;
        send_com_port(kPurgeData, {kPurgeReceiveBuffer});
    }

    bool send_com_port(uint8_t command, const std::vector<uint8_t>& value) {
        std::vector<uint8_t> out = {kIac, kSb, kComPort, command};
        for (uint8_t byte : value) {
            out.push_back(byte);
            if (byte == kIac) out.push_back(kIac);
        }
        out.insert(out.end(), {kIac, kSe});
        return send_all(out);
    }

    bool send_all(std::span<const uint8_t> bytes) {
        size_t done = 0;
        while (done < bytes.size() && fd_ >= 0) {
            const ssize_t n =
                ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                // A server that takes nothing more must not hold a cancelled call.
                if (waits_cut_short()) return false;
                pollfd pfd{fd_, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
            } else {
                connection_failed(socket_failure(url_.endpoint(), n < 0 ? errno : EPIPE));
                return false;
            }
        }
        return done == bytes.size();
    }

    bool note_written(size_t bytes) {
        if (settings_.baud_rate == 0) return true;
        const auto line_time = std::chrono::microseconds(static_cast<int64_t>(bytes) * 10 *
                                                         1000000 / settings_.baud_rate);
        line_busy_until_ = std::max(line_busy_until_, Clock::now()) + line_time;
        return true;
    }

    void drop_data() {
        data_.clear();
        read_at_ = 0;
    }

    NetworkUrl url_;
    std::string text_;  // the URL as given
    std::string name_;
    LineSettings settings_;
    NetConnector connector_;
    int fd_ = -1;
    Phase phase_ = Phase::Lost;
    bool ever_up_ = false;
    std::string failure_;  // why the last attempt failed
    uint32_t next_attempt_ms_ = 0;
    Clock::time_point attempt_deadline_{};
    Clock::time_point line_busy_until_{};

    std::vector<uint8_t> data_;  // received line bytes not yet read
    size_t read_at_ = 0;

    std::array<Option, 256> ours_{};
    std::array<Option, 256> theirs_{};
    std::vector<uint8_t> replies_;
    Parse parse_ = Parse::Data;
    uint8_t verb_ = 0;
    std::vector<uint8_t> sub_;
    bool sub_dropped_ = false;
    bool carrier_known_ = false;
    bool carrier_ = false;
};

}  // namespace

std::unique_ptr<Transport> open_network_port(const std::string& url, const std::string& name,
                                             const LineSettings& settings, std::string& reason) {
    NetworkUrl parsed;
    reason = parse_network_url(url, parsed);
    if (!reason.empty()) return nullptr;
    auto transport = std::make_unique<NetTransport>(parsed, url, name, settings);
    if (!transport->establish(reason)) return nullptr;
    return transport;
}

}  // namespace vantlink
