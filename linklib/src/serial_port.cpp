#include "serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "line_io.h"
#include "port_diagnosis.h"
#include "state.h"
#include "trace.h"

namespace vantlink {
namespace {

struct StandardSpeed {
    uint32_t rate;
    speed_t code;
};

constexpr std::array<StandardSpeed, 30> kStandardSpeeds = {{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
}};

bool standard_speed(uint32_t rate, speed_t& code) {
    for (const auto& entry : kStandardSpeeds) {
        if (entry.rate == rate) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

bool byte_size_flag(int data_bits, tcflag_t& flag) {
    switch (data_bits) {
        case 5:
            flag = CS5;
            return true;
        case 6:
            flag = CS6;
            return true;
        case 7:
            flag = CS7;
            return true;
        case 8:
            flag = CS8;
            return true;
        default:
            return false;
    }
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// 0, or the errno of the setting the device refused (EINVAL for a byte size no line takes).
int apply_line_settings(int fd, const LineSettings& settings) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return errno;
    if (!configure_termios(tio, settings)) return EINVAL;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return errno;
    speed_t code = B9600;
    if (standard_speed(settings.baud_rate, code)) return 0;
    errno = EINVAL;
    return set_custom_baud_rate(fd, settings.baud_rate) ? 0 : errno;
}

// USB-serial drivers hold received bytes for up to 16 ms unless the port asks for low latency,
// and a stop-and-wait exchange pays that wait on every answer. Devices without the setting (a
// pseudo-terminal, some drivers) open all the same; what happened, for the trace.
std::string ask_low_latency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        const int error = errno;
        if (error == ENOTTY || error == EINVAL || error == EOPNOTSUPP)
            return "low latency not offered by this device";
        return std::string("low latency refused: ") + std::strerror(error);
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return "low latency already on";
    serial.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &serial) != 0)
        return std::string("low latency refused: ") + std::strerror(errno);
    // Some drivers accept the request and drop the flag.
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) == 0)
        return "low latency not kept by this device";
    return "low latency on";
}

// The descriptor of the opened, locked and configured device, or -1 with the errno of the step
// that failed in error. A successful open is noted in the trace under name.
int open_configured(const std::string& path, const std::string& name, const LineSettings& settings,
                    int& error) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return error = errno, -1;
    // flock holds against every other opener; TIOCEXCL adds the tty's own guard (not for root).
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return error = errno, -1;
    ioctl(fd.get(), TIOCEXCL);
    if (const int refused = apply_line_settings(fd.get(), settings); refused != 0) {
        return error = refused, -1;
    }
    trace_note(name.c_str(), "open " + path + ": " + ask_low_latency(fd.get()));
    error = 0;
    return fd.release();
}

// The errors of a device that hung up or went away (a USB adapter pulled out).
bool device_gone(int error) {
    return error == EIO || error == ENODEV || error == ENXIO;
}

// What a path opened: a device node by its number (a pseudo-terminal, or the adapter a
// re-plugged by-id link now points to), anything else by its file.
struct DeviceIdentity {
    bool node = false;
    dev_t number = 0;
    dev_t file_system = 0;
    ino_t inode = 0;

    bool operator==(const DeviceIdentity& other) const {
        if (node != other.node) return false;
        return node ? number == other.number
                    : file_system == other.file_system && inode == other.inode;
    }
    std::string text() const {
        if (!node) return "inode " + std::to_string(inode);
        return std::to_string(major(number)) + ':' + std::to_string(minor(number));
    }
};

DeviceIdentity identity_of(int fd) {
    struct stat info {};
    DeviceIdentity identity;
    if (::fstat(fd, &info) != 0) return identity;
    identity.node = S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode);
    identity.number = info.st_rdev;
    identity.file_system = info.st_dev;
    identity.inode = info.st_ino;
    return identity;
}

// A lost line tries its device again at most this often, and only while an operation runs.
constexpr int32_t kReopenIntervalMs = 500;

// The open device. When it hangs up or vanishes the descriptor is closed (its lock with it) and
// the same path is opened again with the same settings once it is back; until then every
// operation finds the line silent, as a terminal that does not answer.
class SerialTransport final : public Transport {
public:
    SerialTransport(int fd, std::string path, std::string name, const LineSettings& settings)
        : fd_(fd),
          path_(std::move(path)),
          name_(std::move(name)),
          settings_(settings),
          opened_(identity_of(fd)) {}
    ~SerialTransport() override { close_device(); }

    bool write(std::span<const uint8_t> bytes) override {
        if (fd_ < 0 && !try_reopen()) return false;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                // A line that takes nothing more must not hold a cancelled call.
                if (waits_cut_short()) return false;
                pollfd pfd{fd_, POLLOUT, 0};
                if (::poll(&pfd, 1, 100) > 0 && (pfd.revents & (POLLHUP | POLLERR))) {
                    lose();
                    return false;
                }
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                if (n < 0 && device_gone(errno)) lose();
                return false;
            }
        }
        return true;
    }

    int read_byte() override {
        if (fd_ < 0) return -1;
        uint8_t byte = 0;
        const ssize_t n = ::read(fd_, &byte, 1);
        if (n == 1) return byte;
        if (n < 0 && device_gone(errno)) lose();
        return -1;
    }

    // Only input is discarded: dropping output could cut off the ACK that the previous
    // exchange just wrote, and the terminal would then send the same record again.
    void purge() override {
        if (fd_ >= 0) tcflush(fd_, TCIFLUSH);
    }
    void drain() override {
        if (fd_ >= 0) tcdrain(fd_);
    }

    void wait_readable(int timeout_ms) override {
        if (fd_ < 0) {
            wait_while_lost(timeout_ms);
            return;
        }
        pollfd pfd{fd_, POLLIN, 0};
        // A hung-up device polls readable forever: the line is lost, and the next wait sleeps.
        if (::poll(&pfd, 1, timeout_ms) > 0 && (pfd.revents & (POLLHUP | POLLERR))) lose();
    }

    bool line_lost() const override { return fd_ < 0; }
    bool on_other_device() const override { return fd_ >= 0 && other_device_; }

    const char* name() const override { return name_.c_str(); }

private:
    // Says why as the open error would (a pulled adapter is gone from /dev), else that the
    // device hung up; the descriptor goes first, or its own lock would be the reason.
    void lose() {
        close_device();
        const std::string reason = diagnose_port_open(path_);
        trace_note(name_.c_str(), "line lost: " + (reason.empty() ? path_ + " hung up" : reason));
        next_attempt_ms_ = tick_ms() + kReopenIntervalMs;
    }

    bool try_reopen() {
        if (static_cast<int32_t>(tick_ms() - next_attempt_ms_) < 0) return false;
        next_attempt_ms_ = tick_ms() + kReopenIntervalMs;
        int error = 0;
        fd_ = open_configured(path_, name_, settings_, error);
        if (fd_ < 0) return false;
        // The path may now name another device (a link re-pointed, another adapter in the
        // old one's place): the caller is told, as the terminals behind it may not be the same.
        const DeviceIdentity now = identity_of(fd_);
        other_device_ = !(now == opened_);
        trace_note(name_.c_str(), other_device_ ? "line back on another device: " + path_ + " (" +
                                                      opened_.text() + " -> " + now.text() + ")"
                                                : std::string("line back"));
        return true;
    }

    // Sleeps as a silent line would, trying the device when an attempt is due.
    void wait_while_lost(int timeout_ms) {
        if (try_reopen()) return;
        const auto until_attempt = static_cast<int32_t>(next_attempt_ms_ - tick_ms());
        ::poll(nullptr, 0, std::clamp(until_attempt, 1, std::max(timeout_ms, 1)));
    }

    void close_device() {
        if (fd_ < 0) return;
        // A pty keeps the exclusive flag after the last close; a real port drops it anyway.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }

    int fd_;
    std::string path_;
    std::string name_;
    LineSettings settings_;
    DeviceIdentity opened_;  // the device the port was opened on
    bool other_device_ = false;
    uint32_t next_attempt_ms_ = 0;
};

}  // namespace

// Raw line: a serial port of the original platform has no line discipline at all.
bool configure_termios(termios& tio, const LineSettings& settings) {
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF | IXANY | INPCK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tcflag_t size_flag = 0;
    if (!byte_size_flag(settings.data_bits, size_flag)) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    tio.c_cflag |= size_flag | CLOCAL | CREAD;
    if (settings.parity == 1) tio.c_cflag |= PARENB | PARODD;
    if (settings.parity == 2) tio.c_cflag |= PARENB;
    if (settings.stop_bits == 2) tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    speed_t code = B9600;
    if (standard_speed(settings.baud_rate, code)) {
        cfsetispeed(&tio, code);
        cfsetospeed(&tio, code);
    }
    return true;
}

std::unique_ptr<Transport> open_serial_port(const std::string& path, const std::string& name,
                                            const LineSettings& settings, int* error) {
    int failed = 0;
    const int fd = open_configured(path, name, settings, failed);
    if (error != nullptr) *error = failed;
    if (fd < 0) return nullptr;
    return std::make_unique<SerialTransport>(fd, path, name, settings);
}

}  // namespace vantlink
