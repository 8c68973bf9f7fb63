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

// Opens an upload's local file for exclusive use: mode 2 appends, any other mode empties or
// creates it. -1 when it cannot be opened.
int open_upload_file(const std::string& path, int32_t save_mode);

// Opens a local file for reading from its start; -1 when it cannot be opened.
int open_download_file(const std::string& path);

bool file_exists(const std::string& path);
bool write_all(int fd, std::span<const uint8_t> bytes);
// Reads up to buffer.size() bytes; 0 at the end, -1 on an error.
long read_some(int fd, std::span<uint8_t> buffer);
void close_file(int& fd);

}  // namespace vantlink
