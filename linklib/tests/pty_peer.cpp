#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace linktest {

PtyPeer::PtyPeer(int port) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    slave_path_ = ptsname(master_);
    // Raw from the start so nothing the test sends before the library opens gets translated.
    int slave = open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    close(slave);
    setenv(("VANTLINK_COM" + std::to_string(port)).c_str(), slave_path_.c_str(), 1);
}

PtyPeer::~PtyPeer() {
    join();
    if (master_ >= 0) close(master_);
}

Bytes PtyPeer::read_bytes(size_t n, int timeout_ms) {
    Bytes out;
    const int64_t deadline = now_ms() + timeout_ms;
    while (out.size() < n) {
        const int64_t left = deadline - now_ms();
        if (left <= 0) break;
        pollfd pfd{master_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
        uint8_t byte;
        if (read(master_, &byte, 1) == 1) {
            out.push_back(byte);
        } else {
            usleep(1000);  // slave closed: EIO until the library opens it again
        }
    }
    return out;
}

Bytes PtyPeer::read_request(int timeout_ms) {
    Bytes out;
    const int64_t deadline = now_ms() + timeout_ms;
    while (now_ms() < deadline) {
        Bytes one = read_bytes(1, static_cast<int>(deadline - now_ms()));
        if (one.empty()) break;
        if (out.empty() && one[0] != 0x02) continue;  // wake-up bytes and the like
        out.push_back(one[0]);
        const bool poll_request = out.size() == 2 && out[1] != 0x1B;
        const bool address_byte = out.size() > 2 && one[0] >= 0xA0 && one[0] != 0xDC;
        if (poll_request || address_byte) break;
    }
    return out;
}

Bytes PtyPeer::read_all(int quiet_ms) {
    Bytes out;
    for (;;) {
        Bytes more = read_bytes(1, quiet_ms);
        if (more.empty()) return out;
        out.push_back(more[0]);
    }
}

void PtyPeer::send(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<size_t>(n);
    }
}

void PtyPeer::run(std::function<void(PtyPeer&)> script) {
    join();
    thread_ = std::thread([this, script = std::move(script)] { script(*this); });
}

void PtyPeer::join() {
    if (thread_.joinable()) thread_.join();
}

Bytes answer_frame(const Bytes& payload) {
    unsigned sum = static_cast<unsigned>(payload.size());
    for (uint8_t b : payload) sum += b;
    const uint8_t check = sum & 0xFF;
    Bytes frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(0x02);
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(static_cast<uint8_t>(0x40 + (check >> 4)));
    frame.push_back(static_cast<uint8_t>(0x40 + (check & 0x0F)));
    frame.push_back(0x03);
    return frame;
}

namespace {

// The terminal's side of the data encoding, written out here on its own so that a fault in
// the library's encoder cannot hide behind the same fault in the test.
Bytes encode_body(const Bytes& plain) {
    Bytes out;
    for (uint8_t b : plain) {
        if (b < 0x20) {
            out.push_back(0x5C);
            out.push_back(static_cast<uint8_t>(b | 0x80));
        } else if (b == 0x5C) {
            out.push_back(0x5C);
            out.push_back(0x5C);
        } else if (b >= 0xA0 && b != 0xDC) {
            out.push_back(0x5C);
            out.push_back(static_cast<uint8_t>(b & 0x7F));
        } else {
            out.push_back(b);
        }
    }
    return out;
}

}  // namespace

Bytes data_answer(char letter, const Bytes& body) {
    Bytes plain;
    plain.reserve(body.size() + 1);
    plain.push_back(static_cast<uint8_t>(letter));
    plain.insert(plain.end(), body.begin(), body.end());
    // Terminals send the lead ESC as it is, the rest encoded.
    Bytes payload = encode_body(plain);
    payload.insert(payload.begin(), 0x1B);
    return answer_frame(payload);
}

Bytes data_answer(char letter, const std::string& body) {
    return data_answer(letter, Bytes(body.begin(), body.end()));
}

Request parse_request(const Bytes& frame) {
    Request request;
    if (frame.size() < 6) return request;
    request.letter = frame[2];
    request.data.assign(frame.begin() + 3, frame.end() - 3);
    request.address = frame.back();
    return request;
}

std::vector<Request> serve(PtyPeer& peer, const std::function<Bytes(const Request&)>& answer,
                           int quiet_ms) {
    std::vector<Request> seen;
    for (;;) {
        const Bytes frame = peer.read_request(quiet_ms);
        if (frame.size() < 6) return seen;
        seen.push_back(parse_request(frame));
        const Bytes reply = answer(seen.back());
        if (!reply.empty()) peer.send(reply);
        // A data answer is acknowledged before the next request.
        if (reply.size() > 1) peer.read_bytes(1);
    }
}

}  // namespace linktest
