// A terminal's file store: its RAM disk and flash ROM as two folders on the PC.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "wire.h"

namespace termsim {

enum class Area { Ram, Rom };

// A name as the host sends it: "NAME" for the RAM disk, "NAME/ROM" for the flash ROM.
struct TerminalFileName {
    Area area = Area::Ram;
    std::string name;
};

// Terminal file names ignore case.
bool same_name(const std::string& a, const std::string& b);

TerminalFileName parse_terminal_file_name(const std::string& text);
// Host text becomes a path on the PC: refuse anything that could leave the store.
bool is_safe_file_name(const std::string& name);

class FileStore {
public:
    // An empty folder means a fresh temporary one, removed again with the store.
    explicit FileStore(const std::string& folder);
    ~FileStore();
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;

    const std::filesystem::path& root() const { return root_; }

    std::vector<std::string> list(Area area) const;
    // Terminal file names ignore case, like the terminal's own file system.
    std::optional<std::string> find(Area area, const std::string& name) const;
    std::optional<Bytes> read(Area area, const std::string& name) const;
    bool write(Area area, const std::string& name, const Bytes& content);
    bool remove(Area area, const std::string& name);
    std::uintmax_t size(Area area, const std::string& name) const;
    std::uintmax_t used_bytes(Area area) const;

private:
    std::filesystem::path folder(Area area) const;

    std::filesystem::path root_;
    bool temporary_ = false;
};

}  // namespace termsim
