#include "file_store.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "file_lines.h"

namespace termsim {

namespace fs = std::filesystem;

bool same_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

namespace {

constexpr const char* kPartialSuffix = ".partial~";

bool ends_with_rom(const std::string& text) {
    return text.size() > 4 && same_name(text.substr(text.size() - 4), "/ROM");
}

fs::path make_temporary_root() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/termsim-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary store");
    return pattern;
}

}  // namespace

TerminalFileName parse_terminal_file_name(const std::string& text) {
    if (ends_with_rom(text)) return {Area::Rom, text.substr(0, text.size() - 4)};
    return {Area::Ram, text};
}

bool is_safe_file_name(const std::string& name) {
    if (name.empty() || name.size() > 64 || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u >= 0x7F || c == '/' || c == '\\' || c == ',';
    });
}

FileStore::FileStore(const std::string& folder) {
    temporary_ = folder.empty();
    root_ = temporary_ ? make_temporary_root() : fs::path(folder);
    fs::create_directories(root_ / "ram");
    fs::create_directories(root_ / "rom");
}

FileStore::~FileStore() {
    if (!temporary_) return;
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

fs::path FileStore::folder(Area area) const {
    return root_ / (area == Area::Ram ? "ram" : "rom");
}

std::vector<std::string> FileStore::list(Area area) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder(area), ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.ends_with(kPartialSuffix)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> FileStore::find(Area area, const std::string& name) const {
    for (const auto& candidate : list(area)) {
        if (same_name(candidate, name)) return candidate;
    }
    return std::nullopt;
}

std::optional<Bytes> FileStore::read(Area area, const std::string& name) const {
    const auto actual = find(area, name);
    if (!actual) return std::nullopt;
    std::string why;
    const int fd = open_regular_file(folder(area) / *actual, why);
    if (fd < 0) return std::nullopt;
    std::string content;
    const bool whole = read_all(fd, content);
    ::close(fd);
    if (!whole) return std::nullopt;
    return Bytes(content.begin(), content.end());
}

bool FileStore::write(Area area, const std::string& name, const Bytes& content) {
    // Replace an existing file under its stored spelling rather than keep two of them.
    const std::string target = find(area, name).value_or(name);
    const fs::path partial = folder(area) / (target + kPartialSuffix);
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
        if (!out) return false;
    }
    std::error_code ec;
    fs::rename(partial, folder(area) / target, ec);
    return !ec;
}

bool FileStore::remove(Area area, const std::string& name) {
    const auto actual = find(area, name);
    if (!actual) return false;
    std::error_code ec;
    return fs::remove(folder(area) / *actual, ec);
}

std::uintmax_t FileStore::size(Area area, const std::string& name) const {
    const auto actual = find(area, name);
    if (!actual) return 0;
    std::error_code ec;
    const auto bytes = fs::file_size(folder(area) / *actual, ec);
    return ec ? 0 : bytes;
}

std::uintmax_t FileStore::used_bytes(Area area) const {
    std::uintmax_t total = 0;
    for (const auto& name : list(area)) total += size(area, name);
    return total;
}

}  // namespace termsim
