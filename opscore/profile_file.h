#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace opscore {

// A sectioned "key=value" settings file with the classic profile-file rules: section and key
// names match without regard to case, values are trimmed, a write keeps every other line
// (comments, unknown keys, blank lines) as it was, and the file is created on the first write.
// A write keeps the file's line ends (CR LF or LF); a new file gets CR LF.
class ProfileFile {
public:
    // No settings file holds lines or a size anywhere near these; a file beyond them is refused.
    static constexpr std::size_t kLineMax = 8192;
    static constexpr std::size_t kFileMax = 1 << 20;

    explicit ProfileFile(std::string path);

    // Re-reads the file; a missing file reads as empty. A file that cannot be read (a folder, a
    // FIFO, no permission, a failed read) or has a line longer than kLineMax or is larger than
    // kFileMax is refused: it reads as empty and is never written over, so nothing of it is lost.
    void reload();
    bool refused() const { return refused_; }
    // Why the file was refused, to follow its name ("is a folder"); empty when it was not.
    const std::string& refusal() const { return refusal_; }

    // The trimmed value, cut to maxLength characters, or the default when the section or key
    // is missing.
    std::string read(std::string_view section, std::string_view key, std::string_view fallback,
                     std::size_t maxLength = 255) const;

    // Sets one key in memory; commit() writes the file.
    void write(std::string_view section, std::string_view key, std::string_view value);

    // Drops one key line in memory (the section header stays); nothing when it is missing.
    void remove(std::string_view section, std::string_view key);

    // Writes the whole file; false when it cannot be written or was refused.
    bool commit() const;

    const std::string& path() const { return path_; }

private:
    struct KeyLine {
        std::string key;
        std::string value;
    };

    std::ptrdiff_t findSection(std::string_view section) const;
    std::ptrdiff_t sectionEnd(std::ptrdiff_t sectionLine) const;
    std::ptrdiff_t findKey(std::ptrdiff_t sectionLine, std::string_view key) const;

    void refuse(std::string why);

    std::string path_;
    std::vector<std::string> lines_;
    std::string lineEnd_ = "\r\n";
    bool refused_ = false;
    std::string refusal_;
};

// Splits "key=value" into its trimmed parts; false for lines without '=' or with an empty key.
bool splitKeyLine(std::string_view line, std::string& key, std::string& value);
// The name of a "[name]" line, trimmed; false when the line is no section header.
bool sectionName(std::string_view line, std::string& name);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string_view trimmed(std::string_view text);

// Writes all of bytes to fd, across short writes and interruptions; false when it could not.
bool writeWhole(int fd, std::string_view bytes);

}  // namespace opscore
