// Local files of transfers: what every platform shares.
#include "local_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantlink {
namespace {

constexpr const char* kNameCharacters = "01234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";
#ifdef _WIN32
constexpr const char* kFolderSeparators = "/\\";
#else
constexpr const char* kFolderSeparators = "/";
#endif

}  // namespace

bool file_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::string> make_unique_file_name(const std::string& path) {
    if (!file_exists(path)) return path;
    const size_t slash = path.find_last_of(kFolderSeparators);
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

bool LocalUpload::begin(const std::string& path, int32_t save_mode) {
    abandon();
    const bool opened = save_mode == 0   ? begin_new(path)
                        : save_mode == 2 ? begin_append(path)
                                         : begin_overwrite(path);
    if (!opened) abandon();
    return opened;
}

bool LocalUpload::write(std::span<const uint8_t> bytes) {
    return fd_ >= 0 && write_all(fd_, bytes);
}

void LocalUpload::close_all() {
    close_file(fd_);
    close_file(lock_fd_);
    held_ = false;
    created_ = false;
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
