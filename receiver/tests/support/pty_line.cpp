#include "pty_line.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace tembra::test {

namespace {

void writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throw std::runtime_error("write to pty master failed");
        data += written;
        size -= written;
    }
}

termios settingsOf(int master) {
    termios tio{};
    ::tcgetattr(master, &tio);  // on a pty master this reports the slave's settings
    return tio;
}

}  // namespace

PtyLine::PtyLine() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    // Raw from the start, so bytes sent before the receiver opens its port arrive unchanged.
    const int slave = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) throw std::runtime_error("cannot open the pty slave");
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);
}

PtyLine::~PtyLine() {
    hangUp();
}

void PtyLine::hangUp() {
    waitUntilSent();
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyLine::send(const QByteArray& bytes) {
    writeAll(master_, bytes.constData(), bytes.size());
}

void PtyLine::sendPaced(QByteArray bytes, int baud, int burst) {
    waitUntilSent();
    writer_ = std::thread([this, bytes = std::move(bytes), baud, burst] {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        for (qsizetype sent = 0; sent < bytes.size(); sent += burst) {
            const qsizetype size = std::min<qsizetype>(burst, bytes.size() - sent);
            const auto due = std::chrono::microseconds(sent * 10LL * 1000000 / baud);
            std::this_thread::sleep_until(start + due);
            writeAll(master_, bytes.constData() + sent, size);
        }
    });
}

void PtyLine::waitUntilSent() {
    if (writer_.joinable()) writer_.join();
}

int PtyLine::inputSpeed() const {
    const termios tio = settingsOf(master_);
    switch (::cfgetispeed(&tio)) {
        case B2400:
            return 2400;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        default:
            return -1;
    }
}

bool PtyLine::parityEnabled() const {
    return (settingsOf(master_).c_cflag & PARENB) != 0;
}

bool PtyLine::twoStopBits() const {
    return (settingsOf(master_).c_cflag & CSTOPB) != 0;
}

int PtyLine::dataBits() const {
    switch (settingsOf(master_).c_cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

}  // namespace tembra::test
