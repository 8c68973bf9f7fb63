#include "terminal_files.h"

#include <algorithm>
#include <cctype>

namespace opscore {
namespace {

constexpr std::string_view kEmsPrefix = "C:";
constexpr std::string_view kFlashRomSuffix = "/ROM";

bool same_letters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

bool is_separator(char c) {
    return c == '/' || c == '\\' || c == '\0';
}

}  // namespace

std::string_view base_name(std::string_view pc_path) {
    const size_t last = pc_path.find_last_of("/\\:");
    return last == std::string_view::npos ? pc_path : pc_path.substr(last + 1);
}

std::string ems_name(std::string_view name) {
    return std::string(kEmsPrefix).append(name);
}

std::string_view program_name(std::string_view file_name) {
    return file_name.substr(0, file_name.find('.'));
}

std::string flash_rom_name(std::string_view name) {
    return std::string(name).append(kFlashRomSuffix);
}

std::string_view local_name_of(std::string_view terminal_name) {
    std::string_view name = terminal_name;
    if (name.size() >= kEmsPrefix.size() &&
        same_letters(name.substr(0, kEmsPrefix.size()), kEmsPrefix)) {
        name.remove_prefix(kEmsPrefix.size());
    }
    if (name.size() >= kFlashRomSuffix.size() &&
        same_letters(name.substr(name.size() - kFlashRomSuffix.size()), kFlashRomSuffix)) {
        name.remove_suffix(kFlashRomSuffix.size());
    }
    return name;
}

bool is_safe_terminal_file_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), is_separator);
}

std::optional<std::string> terminal_folder(std::string_view work_folder, char address) {
    if (is_separator(address)) return std::nullopt;
    std::string folder(work_folder.empty() ? "." : work_folder);
    if (folder.back() != '/') folder += '/';
    folder += "ADDR_";
    folder += address;
    return folder;
}

std::optional<std::string> uploaded_file_path(std::string_view work_folder, char address,
                                              std::string_view terminal_file_name) {
    if (!is_safe_terminal_file_name(terminal_file_name)) return std::nullopt;
    auto folder = terminal_folder(work_folder, address);
    if (!folder) return std::nullopt;
    return folder->append("/").append(terminal_file_name);
}

}  // namespace opscore
