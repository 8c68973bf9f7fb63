#include "error_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace vantrel {

ErrorLog::ErrorLog(std::string path) : path_(std::move(path)) {}

ErrorLog::~ErrorLog() {
    close();
}

bool ErrorLog::open(ErrorLogMode mode) {
    close();
    if (mode == ErrorLogMode::No) return true;
    // Never truncate before holding the lock: another running host may be writing this file.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ready =
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        (mode == ErrorLogMode::Append ? ::lseek(fd, 0, SEEK_END) >= 0 : ::ftruncate(fd, 0) == 0);
    if (!ready) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void ErrorLog::close() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

void ErrorLog::write(std::string_view line) {
    if (fd_ < 0) return;
    while (!line.empty()) {
        const auto written = ::write(fd_, line.data(), line.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        line.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace vantrel
