// Local files of transfers: opening by save mode, free names, raw reads and writes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantlink {

// A free name next to path: the last character of the base name replaced by the first of
// "01234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ" that gives a name nothing has. The path itself when it
// is free; nothing when all are taken or the base name is empty.
std::optional<std::string> make_unique_file_name(const std::string& path);

// The local side of an upload. The file stays locked for exclusive use while the upload runs,
// and an upload that does not complete leaves the file as it was: Over-write writes beside it
// and renames on completion, Append cuts back to the old size, a file the upload created goes.
class LocalUpload {
public:
    LocalUpload() = default;
    ~LocalUpload() { abandon(); }
    LocalUpload(const LocalUpload&) = delete;
    LocalUpload& operator=(const LocalUpload&) = delete;

    // Opens by save mode: 0 New takes the first free name next to path (made and created in one
    // step, so two uploads never share one), 2 Append, any other Over-write. False when the file
    // cannot be opened or another upload holds it.
    bool begin(const std::string& path, int32_t save_mode);
    bool is_open() const { return fd_ >= 0; }
    // The name the blocks end up under.
    const std::string& name() const { return target_; }
    bool write(std::span<const uint8_t> bytes);
    // The upload completed: the data takes the file's place. False when it could not.
    bool commit();
    // The upload failed or was given up: the file is left as it was before. Nothing when closed.
    void abandon();

private:
    bool begin_new(const std::string& path);
    bool begin_overwrite(const std::string& path);
    bool begin_append(const std::string& path);
    void close_all();

    int fd_ = -1;              // where blocks are written
    int lock_fd_ = -1;         // Over-write: the target itself, held locked while fd_ is a copy
    std::string target_;       // the name the caller gets
    std::string temp_;         // Over-write: the file written beside the target...
    std::string replaced_;     // ...and the file it replaces on completion
    long long kept_size_ = 0;  // Append: the size to cut back to
    bool created_ = false;     // the target did not exist before this upload
    bool held_ = false;        // the file is locked by this upload, which may change it
};

// Opens a local regular file for reading from its start; -1 when it cannot be opened or is
// anything else (a folder, a FIFO, a device).
int open_download_file(const std::string& path);

bool file_exists(const std::string& path);
bool write_all(int fd, std::span<const uint8_t> bytes);
// Reads up to buffer.size() bytes; 0 at the end, -1 on an error.
long read_some(int fd, std::span<uint8_t> buffer);
void close_file(int& fd);

}  // namespace vantlink
