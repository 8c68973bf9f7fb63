#include "frame.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "line_io.h"
#include "state.h"
#include "vantlink.h"

namespace vantlink {

uint8_t address_byte(int32_t address) {
    return static_cast<uint8_t>((address + 0x80) & 0xFF);
}

size_t encode_data(std::span<const uint8_t> in, std::span<uint8_t> out) {
    if (out.empty()) return 0;
    const size_t room = out.size() - 1;  // keep one byte for the NUL
    size_t n = 0;
    for (uint8_t byte : in) {
        std::array<uint8_t, 2> coded{byte, 0};
        size_t width = 1;
        if (byte < 0x20) {
            coded = {BACKSLASH, static_cast<uint8_t>(byte + 0x80)};
            width = 2;
        } else if (byte == BACKSLASH) {
            coded = {BACKSLASH, BACKSLASH};
            width = 2;
        } else if (byte >= 0xA0 && byte != 0xDC) {
            coded = {BACKSLASH, static_cast<uint8_t>(byte - 0x80)};
            width = 2;
        }
        if (n + width > room) break;
        for (size_t i = 0; i < width; ++i) out[n++] = coded[i];
    }
    out[n] = 0;
    return n;
}

size_t encoded_size(std::span<const uint8_t> in) {
    size_t size = 0;
    for (uint8_t b : in) size += (b < 0x20 || b == BACKSLASH || (b >= 0xA0 && b != 0xDC)) ? 2 : 1;
    return size;
}

size_t decode_data(std::span<const uint8_t> in, std::span<uint8_t> out) {
    size_t n = 0;
    if (out.empty()) return 0;
    const size_t room = out.size() - 1;
    for (size_t i = 0; i < in.size() && n < room; ++i) {
        uint8_t byte = in[i];
        if (byte == BACKSLASH && i + 1 < in.size()) {
            const uint8_t next = in[++i];
            if (next >= 0x80 && next <= 0x9F) {
                byte = static_cast<uint8_t>(next - 0x80);
            } else if (next >= 0x20 && next <= 0x7F && next != BACKSLASH) {
                byte = static_cast<uint8_t>(next + 0x80);
            } else {
                // A backslash pair no encoder makes: keep the second byte as it came.
                byte = next;
            }
        }
        out[n++] = byte;
    }
    out[n] = 0;
    state().last_decoded_length = static_cast<int32_t>(n);
    return n;
}

uint8_t request_check(uint8_t command, std::span<const uint8_t> data, uint8_t address) {
    unsigned sum = STX + ESC + command + address + static_cast<unsigned>(data.size());
    for (uint8_t byte : data) sum += byte;
    return static_cast<uint8_t>(sum & 0xFF);
}

uint8_t answer_check(std::span<const uint8_t> payload) {
    unsigned sum = static_cast<unsigned>(payload.size());
    for (uint8_t byte : payload) sum += byte;
    return static_cast<uint8_t>(sum & 0xFF);
}

std::span<const uint8_t> request_data(const char* text) {
    if (text == nullptr) return {};
    const size_t n = strnlen(text, kMaxRequestData);
    return {reinterpret_cast<const uint8_t*>(text), n};
}

bool send_frame(int32_t port, int32_t address, uint8_t command, std::span<const uint8_t> data) {
    if (data.size() > kMaxRequestData) data = data.first(kMaxRequestData);
    const uint8_t addr = address_byte(address);
    const uint8_t check = request_check(command, data, addr);
    // One write, so the frame is traced, and fails, as a whole.
    std::array<uint8_t, 3 + kMaxRequestData + 3> frame{STX, ESC, command};
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    const size_t tail = 3 + data.size();
    frame[tail] = static_cast<uint8_t>(0x40 + (check >> 4));
    frame[tail + 1] = static_cast<uint8_t>(0x40 + (check & 0x0F));
    frame[tail + 2] = addr;
    return port_write(port, std::span<const uint8_t>(frame.data(), tail + 3));
}

namespace {

// Collects the bytes of one data answer between STX and ETX.
class AnswerCollector {
public:
    void start() {
        in_frame_ = true;
        collected_ = 0;
        overflow_ = false;
    }
    void reset() {
        in_frame_ = false;
        collected_ = 0;
        overflow_ = false;
    }
    bool in_frame() const { return in_frame_; }
    void add(uint8_t byte) {
        if (collected_ < buffer_.size()) {
            buffer_[collected_++] = byte;
        } else {
            overflow_ = true;  // keep reading to ETX, then reject the frame
        }
    }
    // True when the collected frame is well formed and its check matches.
    bool check_passes() const {
        if (overflow_ || collected_ < 2) return false;
        const uint8_t check = answer_check(payload());
        const uint8_t high = buffer_[collected_ - 2] & 0x0F;
        const uint8_t low = buffer_[collected_ - 1] & 0x0F;
        return high == (check >> 4) && low == (check & 0x0F);
    }
    std::span<const uint8_t> payload() const {
        return std::span<const uint8_t>(buffer_.data(), collected_ - 2);
    }

private:
    std::array<uint8_t, kReceiveBuffer> buffer_{};
    size_t collected_ = 0;
    bool in_frame_ = false;
    bool overflow_ = false;
};

}  // namespace

int receive_frame(int32_t port, std::span<uint8_t> answer, int32_t& length) {
    // A cancelled call finds the line silent at once, yet still serves the caller's events: a
    // caller that loops on such calls sees what it is waiting for (the signal that cancelled).
    if (waits_cut_short()) {
        pump_messages();
        return LINK_TIMEOUT;
    }
    port_drain(port);
    TickWindow window(state().settings.time_out_ms);
    AnswerCollector collector;
    int bad_checks = 0;
    for (;;) {
        pump_messages();
        if (waits_cut_short()) return LINK_TIMEOUT;
        const int byte = port_read(port);
        if (byte >= 0) {
            switch (byte) {
                case EOT:
                    return LINK_EOT;
                case ACK:
                    return LINK_ACK;
                case NAK:
                    return LINK_NAK;
                case STX:
                    if (collector.in_frame()) {
                        collector.add(STX);
                    } else {
                        collector.start();
                    }
                    break;
                case ETX:
                    // An ETX outside a frame is line noise.
                    if (!collector.in_frame()) break;
                    if (collector.check_passes()) {
                        pumped_wait(state().settings.esc_delay_ms);
                        // A terminal whose ACK never left keeps the answer and sends it again:
                        // taking this copy as well would store it twice.
                        if (!port_write_byte(port, ACK)) return LINK_TIMEOUT;
                        length = static_cast<int32_t>(decode_data(collector.payload(), answer));
                        return LINK_DATA;
                    }
                    port_write_byte(port, NAK);
                    pumped_wait(state().settings.nak_delay_ms);
                    if (++bad_checks > kMaxBadChecks) return LINK_BCC_ERROR;
                    collector.reset();
                    break;
                default:
                    // Bytes before STX are noise and dropped.
                    if (collector.in_frame()) collector.add(static_cast<uint8_t>(byte));
                    break;
            }
        }
        if (window.expired()) return LINK_TIMEOUT;
        if (byte < 0) idle_on_port(port, window.remaining());
    }
}

int command_exchange(int32_t port, int32_t address, uint8_t command, std::span<const uint8_t> data,
                     std::span<uint8_t> answer, int32_t& length) {
    state().power_saving_result = 0;
    port_purge(port);
    int outcome = LINK_TIMEOUT;
    for (int sends = 1;; ++sends) {
        send_frame(port, address, command, data);
        outcome = receive_frame(port, answer, length);
        if (outcome != LINK_NAK || sends >= kMaxSends) break;
        pumped_wait(state().settings.nak_delay_ms);
    }
    if (state().settings.esc_delay_ms != 0) pumped_wait(state().settings.esc_delay_ms);
    return outcome;
}

int32_t result_mapping_1(int outcome) {
    switch (outcome) {
        case LINK_ACK:
            return RC_SUCCESS;
        case LINK_NAK:
        case LINK_BCC_ERROR:
            return RC_HOST_NAK;
        case LINK_TIMEOUT:
            return RC_TIME_OUT;
        default:
            return RC_UNKNOWN_RESPONSE;
    }
}

int32_t result_mapping_2(int outcome) {
    switch (outcome) {
        case LINK_ACK:
            return RC_SUCCESS;
        case LINK_NAK:
            return RC_HOST_NAK;
        case LINK_BCC_ERROR:
            return RC_BCC_ERROR;
        case LINK_TIMEOUT:
            return RC_TIME_OUT;
        default:
            return RC_UNKNOWN_RESPONSE;
    }
}

}  // namespace vantlink
