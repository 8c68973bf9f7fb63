#include "pty_port.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace termsim {

namespace {

constexpr std::size_t kMaxFifo = 64;

constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit

std::string system_error(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyPort::PtyPort(int baud, Trace& trace, std::size_t fifo)
    : trace_(trace),
      byte_time_(kNanosPerSecond * kBitsPerByte / std::max(baud, 1)),
      fifo_(std::clamp<std::size_t>(fifo, 1, kMaxFifo)) {}

PtyPort::~PtyPort() {
    if (!link_path_.empty()) unlink(link_path_.c_str());
    if (close_watch_ >= 0) close(close_watch_);
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
}

bool PtyPort::open(const std::string& link_path, std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return error = system_error("posix_openpt"), false;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return error = system_error("unlockpt"), false;
    }
    const char* name = ptsname(master_);
    if (!name) return error = system_error("ptsname"), false;
    slave_path_ = name;
    // Holding the slave open keeps the master alive while the host closes and reopens the port.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave_ < 0) return error = system_error("open slave"), false;
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tcsetattr(slave_, TCSANOW, &tio);
        host_speed_ = cfgetospeed(&tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    // A pseudo-terminal keeps the exclusive-use flag after the host closes it (a serial port
    // drops it on the last close), so an unprivileged host could not open the port again.
    close_watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (close_watch_ >= 0) {
        inotify_add_watch(close_watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    }

    struct stat st {};
    if (lstat(link_path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return error = link_path + " exists and is no symlink", false;
        unlink(link_path.c_str());
    }
    if (symlink(name, link_path.c_str()) != 0) return error = system_error("symlink"), false;
    link_path_ = link_path;
    return true;
}

void PtyPort::on_slave_closed() {
    alignas(inotify_event) char events[4096];
    while (read(close_watch_, events, sizeof events) > 0) {
    }
    if (ioctl(slave_, TIOCNXCL) != 0) trace_.event(system_error("port closed; TIOCNXCL"));
}

void PtyPort::send(const Bytes& bytes, Nanos earliest) {
    if (bytes.empty()) return;
    Nanos start = std::max({earliest, line_free_, monotonic_now()});
    trace_.sent(start, bytes);
    for (std::uint8_t b : bytes) {
        start += byte_time_;
        out_.push_back({b, start});
    }
    line_free_ = start;
}

Nanos PtyPort::next_due() const {
    return out_.empty() ? -1 : out_[std::min(out_.size(), fifo_) - 1].end;
}

void PtyPort::write_due(Nanos now) {
    std::uint8_t chunk[4 * kMaxFifo];
    std::size_t count = 0;
    while (!out_.empty() && next_due() <= now && count + fifo_ <= sizeof chunk) {
        for (std::size_t n = std::min(out_.size(), fifo_); n > 0; --n) {
            chunk[count++] = out_.front().byte;
            out_.pop_front();
        }
    }
    if (count > 0) write_bytes(chunk, count);
}

void PtyPort::write_bytes(const std::uint8_t* data, std::size_t count) {
    for (int attempt = 0; attempt < 2 && count > 0; ++attempt) {
        const ssize_t written = write(master_, data, count);
        if (written > 0) {
            data += written;
            count -= static_cast<std::size_t>(written);
            attempt = -1;
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        // Nobody reads the port: drop what piled up unread, as a closed port would have.
        tcflush(slave_, TCIFLUSH);
    }
}

void PtyPort::note_host_speed() {
    static constexpr std::pair<speed_t, int> kRates[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0 || cfgetospeed(&tio) == host_speed_) return;
    host_speed_ = cfgetospeed(&tio);
    std::string rate = "another rate";
    for (const auto& [speed, baud] : kRates) {
        if (speed == host_speed_) rate = std::to_string(baud) + " baud";
    }
    trace_.event("host set the line to " + rate);
}

void PtyPort::read_input(Uplink& uplink) {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t got = read(master_, buffer, sizeof buffer);
        if (got <= 0) return;
        // The rate is only the host's claim here; the bytes still take --baud's time.
        note_host_speed();
        const Nanos read_at = monotonic_now();
        trace_.received(read_at, std::span(buffer, static_cast<std::size_t>(got)));
        for (ssize_t i = 0; i < got; ++i) {
            // A byte takes its whole line time from the moment the host handed it over, and
            // bytes cannot arrive faster than the line carries them.
            last_arrival_ = std::max(read_at, last_arrival_) + byte_time_;
            uplink.receive(buffer[i], last_arrival_);
        }
    }
}

}  // namespace termsim
