// Local files of transfers on Windows: a file is held by opening it without sharing, and an
// Over-write lands with MoveFileEx. The files are handed on as C runtime descriptors, so the
// reads and writes stay the ones every platform shares.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "local_file.h"

namespace vantlink {
namespace {

// A descriptor for handle, or -1 (the handle closed) when none can be made.
int descriptor_of(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) return -1;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        return -1;
    }
    _setmode(fd, _O_BINARY);
    return fd;
}

// Opened without sharing: no other upload, nor any other program, can open it meanwhile.
HANDLE open_unshared(const std::string& path, DWORD access, DWORD disposition,
                     DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, attributes, nullptr);
}

}  // namespace

bool LocalUpload::begin_new(const std::string& path) {
    // A name found free may be taken before it is created: look again, a few times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto name = make_unique_file_name(path);
        if (!name) return false;
        const HANDLE handle = open_unshared(*name, GENERIC_WRITE, CREATE_NEW);
        if (handle != INVALID_HANDLE_VALUE) {
            fd_ = descriptor_of(handle, _O_WRONLY);
            target_ = *name;
            created_ = true;
            held_ = fd_ >= 0;
            return held_;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool LocalUpload::begin_append(const std::string& path) {
    target_ = path;
    const HANDLE handle = open_unshared(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    const bool created = handle != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    fd_ = descriptor_of(handle, _O_RDWR | _O_APPEND);
    if (fd_ < 0) return false;
    created_ = created;
    const long long end = _lseeki64(fd_, 0, SEEK_END);
    kept_size_ = end;
    held_ = end >= 0;
    return held_;
}

bool LocalUpload::begin_overwrite(const std::string& path) {
    target_ = path;
    replaced_ = path;
    const HANDLE target = open_unshared(path, GENERIC_WRITE, OPEN_ALWAYS);
    const bool created = target != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    lock_fd_ = descriptor_of(target, _O_WRONLY);
    if (lock_fd_ < 0) return false;
    created_ = created;
    held_ = true;
    // A hidden file beside the target, named by process and attempt so two never meet.
    const size_t slash = path.find_last_of("/\\");
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::string stem = path.substr(0, base) + "." + path.substr(base) + "." +
                             std::to_string(GetCurrentProcessId()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = stem + std::to_string(attempt);
        const HANDLE handle = open_unshared(temp, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN);
        if (handle != INVALID_HANDLE_VALUE) {
            fd_ = descriptor_of(handle, _O_WRONLY);
            if (fd_ >= 0) temp_ = temp;
            return fd_ >= 0;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool LocalUpload::commit() {
    if (fd_ < 0) return false;
    if (!temp_.empty()) {
        // On disk before it replaces the old copy, so a crash cannot leave neither. Windows
        // renames neither an open file nor onto one: both are let go first.
        if (_commit(fd_) != 0) return false;
        close_file(fd_);
        close_file(lock_fd_);
        if (!MoveFileExA(temp_.c_str(), replaced_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return false;
        }
        SetFileAttributesA(replaced_.c_str(), FILE_ATTRIBUTE_NORMAL);
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
    if (temp_.empty() && !created_ && fd_ >= 0) {
        // Append: what this upload added goes again. Nothing more can be done if that fails.
        (void)_chsize_s(fd_, kept_size_);
    }
    // Windows deletes no file that is open without sharing: closed first.
    const std::string temp = temp_;
    const std::string created = created_ ? target_ : std::string();
    temp_.clear();
    close_all();
    if (!temp.empty()) DeleteFileA(temp.c_str());
    if (!created.empty()) DeleteFileA(created.c_str());
}

int open_download_file(const std::string& path) {
    // Only a file on a disk: a folder does not open without backup semantics, and a device or
    // pipe may never end.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return -1;
    }
    return descriptor_of(handle, _O_RDONLY);
}

}  // namespace vantlink
