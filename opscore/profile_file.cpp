#include "profile_file.h"

#include "bounded_line.h"
#include "input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <sstream>

namespace opscore {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A value written in matching quotes reads without them, as profile readers have always done.
std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A value with blanks at either end, or in matching quotes, would come back trimmed or
// unquoted: written in quotes, it reads back as it was.
std::string storedForm(std::string_view value) {
    if (trimmed(value).size() == value.size() && unquoted(value).size() == value.size())
        return std::string(value);
    return "\"" + std::string(value) + "\"";
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

namespace {

// The scans below look at every line for every key read or written: they copy nothing.

// The trimmed name of a "[name]" line; nothing when the line is no section header.
std::optional<std::string_view> sectionNameOf(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

// The trimmed key of a "key=value" line; empty when the line has none.
std::string_view keyOf(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return {};
    return trimmed(line.substr(0, equals));
}

}  // namespace

bool sectionName(std::string_view line, std::string& name) {
    const auto found = sectionNameOf(line);
    if (!found) return false;
    name = std::string(*found);
    return true;
}

bool splitKeyLine(std::string_view line, std::string& key, std::string& value) {
    const auto keyText = keyOf(line);
    if (keyText.empty()) return false;
    key = std::string(keyText);
    value = std::string(trimmed(line.substr(line.find('=') + 1)));
    return true;
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
    reload();
}

void ProfileFile::reload() {
    lines_.clear();
    lineEnd_ = "\r\n";
    refused_ = false;
    refusal_.clear();
    opscore::InputFile file(path_);
    if (file.missing()) return;
    // Anything else that cannot be read may still be the operator's file: it is kept as it is.
    if (!file.is_open()) return refuse(file.problem());
    std::istream& in = file.stream();
    std::string line;
    std::size_t total = 0;
    for (;;) {
        const opscore::LineRead read =
            opscore::read_bounded_line(in, line, kLineMax + 1);  // + its CR
        if (read == opscore::LineRead::End) break;
        if (read == opscore::LineRead::Error) return refuse("could not be read to its end");
        total += line.size() + 1;
        if (read == opscore::LineRead::TooLong || total > kFileMax)
            return refuse("has a line too long or is too large for a settings file");
        const bool crLf = !line.empty() && line.back() == '\r';
        if (crLf) line.pop_back();
        // The first line tells the file's style.
        if (lines_.empty()) lineEnd_ = crLf ? "\r\n" : "\n";
        lines_.push_back(std::move(line));
    }
}

void ProfileFile::refuse(std::string why) {
    lines_.clear();
    refused_ = true;
    refusal_ = std::move(why);
}

std::ptrdiff_t ProfileFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionNameOf(lines_[i]);
        if (name && equalsNoCase(*name, section)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

std::ptrdiff_t ProfileFile::sectionEnd(std::ptrdiff_t sectionLine) const {
    auto i = static_cast<std::size_t>(sectionLine) + 1;
    while (i < lines_.size() && !sectionNameOf(lines_[i])) ++i;
    return static_cast<std::ptrdiff_t>(i);
}

std::ptrdiff_t ProfileFile::findKey(std::ptrdiff_t sectionLine, std::string_view key) const {
    const auto end = sectionEnd(sectionLine);
    for (auto i = sectionLine + 1; i < end; ++i) {
        const auto lineKey = keyOf(lines_[static_cast<std::size_t>(i)]);
        if (!lineKey.empty() && equalsNoCase(lineKey, key)) return i;
    }
    return -1;
}

std::string ProfileFile::read(std::string_view section, std::string_view key,
                              std::string_view fallback, std::size_t maxLength) const {
    std::string value(fallback);
    const auto sectionLine = findSection(section);
    if (sectionLine >= 0) {
        const auto keyLine = findKey(sectionLine, key);
        std::string lineKey;
        if (keyLine >= 0) {
            splitKeyLine(lines_[static_cast<std::size_t>(keyLine)], lineKey, value);
            value = std::string(unquoted(value));
        }
    }
    if (value.size() > maxLength) value.resize(maxLength);
    return value;
}

void ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + storedForm(value);
    auto sectionLine = findSection(section);
    if (sectionLine < 0) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    const auto keyLine = findKey(sectionLine, key);
    if (keyLine >= 0) {
        lines_[static_cast<std::size_t>(keyLine)] = std::move(line);
        return;
    }
    // New keys go after the section's last non-blank line, so blank separators stay put.
    auto insertAt = sectionEnd(sectionLine);
    while (insertAt > sectionLine + 1 &&
           trimmed(lines_[static_cast<std::size_t>(insertAt - 1)]).empty())
        --insertAt;
    lines_.insert(lines_.begin() + insertAt, std::move(line));
}

void ProfileFile::remove(std::string_view section, std::string_view key) {
    const auto sectionLine = findSection(section);
    if (sectionLine < 0) return;
    const auto keyLine = findKey(sectionLine, key);
    if (keyLine >= 0) lines_.erase(lines_.begin() + keyLine);
}

bool writeWhole(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ProfileFile::commit() const {
    if (refused_) return false;
    std::ostringstream text;
    for (const auto& line : lines_) text << line << lineEnd_;
    // Write a sibling and rename it over the file, so a crash never leaves half a file.
    // Made afresh, so that whatever was left under its name (a FIFO would block the open for a
    // reader that never comes) is never written through.
    const std::string temporary = path_ + ".tmp";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const std::string bytes = text.str();
    const bool whole = writeWhole(fd, bytes);
    if (::close(fd) != 0 || !whole) {
        ::unlink(temporary.c_str());
        return false;
    }
    return std::rename(temporary.c_str(), path_.c_str()) == 0;
}

}  // namespace opscore
