#include "local_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantlink {
namespace {

constexpr const char* kNameCharacters = "01234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

bool file_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::string> make_unique_file_name(const std::string& path) {
    if (!file_exists(path)) return path;
    const size_t slash = path.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find('.', base);
    if (dot == std::string::npos) dot = path.size();
    if (dot == base) return std::nullopt;  // no base name character to replace
    std::string candidate = path;
    for (const char* c = kNameCharacters; *c != '\0'; ++c) {
        candidate[dot - 1] = *c;
        if (!file_exists(candidate)) return candidate;
    }
    return std::nullopt;
}

int open_upload_file(const std::string& path, int32_t save_mode) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (save_mode == 2 ? O_APPEND : O_TRUNC);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int open_download_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool write_all(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

long read_some(int fd, std::span<uint8_t> buffer) {
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

void close_file(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace vantlink
