// Local files of transfers on POSIX systems: locks by flock, the copy beside by mkostemp.
#include "local_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vantlink {
namespace {

// Opens path for writing, creating it only when it does not exist yet; created tells which.
int open_or_create(const std::string& path, int flags, bool& created) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) {
            created = false;
            return fd;
        }
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_CREAT | O_EXCL, 0644);
        if (fd >= 0 || errno != EEXIST) {
            created = fd >= 0;
            return fd;
        }
        // Another process made it between the two opens: open what it made.
    }
    return -1;
}

bool lock_exclusive(int fd) {
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

bool LocalUpload::begin_new(const std::string& path) {
    // A name found free may be taken before it is created: look again, a few times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto name = make_unique_file_name(path);
        if (!name) return false;
        fd_ = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            target_ = *name;
            created_ = true;
            held_ = lock_exclusive(fd_);
            return held_;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool LocalUpload::begin_append(const std::string& path) {
    target_ = path;
    bool created = false;
    fd_ = open_or_create(path, O_RDWR | O_APPEND, created);
    if (fd_ < 0 || !lock_exclusive(fd_)) return false;
    created_ = created;
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    kept_size_ = end;
    held_ = end >= 0;
    return held_;
}

bool LocalUpload::begin_overwrite(const std::string& path) {
    target_ = path;
    bool created = false;
    lock_fd_ = open_or_create(path, O_WRONLY, created);
    if (lock_fd_ < 0 || !lock_exclusive(lock_fd_)) return false;
    created_ = created;
    held_ = true;
    // The rename at the end replaces the file a symbolic link points to, not the link.
    replaced_ = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        replaced_ = real;
        std::free(real);
    }
    const size_t slash = replaced_.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::string temp = replaced_.substr(0, base) + "." + replaced_.substr(base) + ".XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) return false;
    temp_ = temp;
    struct stat info {};
    if (::fstat(lock_fd_, &info) == 0) ::fchmod(fd_, info.st_mode & 07777);
    return true;
}

bool LocalUpload::commit() {
    if (fd_ < 0) return false;
    if (!temp_.empty()) {
        // On disk before it replaces the old copy, so a crash cannot leave neither.
        if (::fdatasync(fd_) != 0 || ::rename(temp_.c_str(), replaced_.c_str()) != 0) return false;
        temp_.clear();
    }
    close_all();
    return true;
}

void LocalUpload::abandon() {
    // Only an upload that holds the file may change it: another may be writing it.
    if (!held_) {
        close_all();
        return;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
    } else if (!created_ && fd_ >= 0) {
        // Append: what this upload added goes again. Nothing more can be done if that fails.
        const int cut = ::ftruncate(fd_, static_cast<off_t>(kept_size_));
        (void)cut;
    }
    if (created_) ::unlink(target_.c_str());
    temp_.clear();
    close_all();
}

int open_download_file(const std::string& path) {
    // Only a regular file: a folder has no bytes, a device may never end, and the open of a
    // FIFO waits for a writer for ever; so it is looked at before the open, and again on what
    // the open found, since the path may name something else by then.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace vantlink
