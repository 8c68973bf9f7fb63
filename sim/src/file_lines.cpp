#include "file_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace termsim {

int open_regular_file(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    // Looked at again on what was opened: the path may name something else by then.
    if (S_ISREG(info.st_mode)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = std::strerror(errno);
            return -1;
        }
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        ::close(fd);
    }
    error = S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file";
    return -1;
}

bool read_all(int fd, std::string& content) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

FileLines::~FileLines() {
    if (fd_ >= 0) ::close(fd_);
}

int FileLines::next_byte() {
    while (at_ == size_) {
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? -1 : -2;
        at_ = 0;
        size_ = static_cast<std::size_t>(n);
    }
    return static_cast<unsigned char>(buffer_[at_++]);
}

LineRead FileLines::next(std::string& line, std::size_t max_length) {
    line.clear();
    int c = next_byte();
    if (c == -1) return LineRead::End;
    while (c >= 0 && c != '\n') {
        // The CR of a CR LF ending may take the last place.
        if (line.size() > max_length) return LineRead::TooLong;
        line.push_back(static_cast<char>(c));
        c = next_byte();
    }
    if (c == -2) return LineRead::Error;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.size() > max_length ? LineRead::TooLong : LineRead::Line;
}

}  // namespace termsim
