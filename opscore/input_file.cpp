#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace opscore {

InputFile::InputFile(const std::string& path) {
    const auto fail = [this](int error) {
        missing_ = error == ENOENT || error == ENOTDIR;
        problem_ = missing_ ? "not found" : std::string("cannot be read: ") + std::strerror(error);
        stream_.setstate(std::ios::failbit);
    };
    // Looked at before the open, so that no device is even opened, and again on what was
    // opened, since by then the path may name something else.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        fail(errno);
        return;
    }
    if (S_ISREG(info.st_mode)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            fail(errno);
            return;
        }
        if (::fstat(fd, &info) != 0) {
            fail(errno);
            ::close(fd);
            return;
        }
        if (S_ISREG(info.st_mode)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            fd_ = buffer_.fd = fd;
            return;
        }
        ::close(fd);
    }
    not_a_file_ = true;
    problem_ = S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file";
    stream_.setstate(std::ios::failbit);
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

InputFile::Buffer::int_type InputFile::Buffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (fd < 0) return traits_type::eof();
    for (;;) {
        const ssize_t n = ::read(fd, bytes_, sizeof bytes_);
        if (n > 0) {
            setg(bytes_, bytes_, bytes_ + n);
            return traits_type::to_int_type(*gptr());
        }
        if (n == 0) return traits_type::eof();
        if (errno != EINTR)
            throw std::ios_base::failure("read", std::error_code(errno, std::generic_category()));
    }
}

InputFile::Buffer::pos_type InputFile::Buffer::seekoff(off_type offset, std::ios_base::seekdir way,
                                                       std::ios_base::openmode which) {
    if (fd < 0 || !(which & std::ios_base::in)) return pos_type(off_type(-1));
    // The descriptor stands past what the buffer still holds.
    if (way == std::ios_base::cur) offset -= egptr() - gptr();
    const int whence = way == std::ios_base::beg   ? SEEK_SET
                       : way == std::ios_base::cur ? SEEK_CUR
                                                   : SEEK_END;
    const off_t at = ::lseek(fd, offset, whence);
    if (at < 0) return pos_type(off_type(-1));
    setg(bytes_, bytes_, bytes_);
    return pos_type(at);
}

InputFile::Buffer::pos_type InputFile::Buffer::seekpos(pos_type position,
                                                       std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

}  // namespace opscore
