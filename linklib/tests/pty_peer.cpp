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

}  // namespace linktest
