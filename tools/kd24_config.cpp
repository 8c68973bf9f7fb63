#include "kd24_config.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "file_lines.h"
#include "terminal_visit.h"

namespace vantctl {
namespace {

constexpr size_t kMaxFields = 9;  // the record and its NUL fill a 100-byte answer area
constexpr size_t kNameWidth = 8;
constexpr int kCountBase = 64;

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> split(const std::string& text, const std::string& separators,
                               bool keep_empty) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find_first_of(separators, start);
        const std::string piece = text.substr(start, end - start);
        if (keep_empty || !piece.empty()) pieces.push_back(piece);
        if (end == std::string::npos) return pieces;
        start = end + 1;
    }
}

// A number as a text-to-integer conversion reads it: leading digits, anything else 0.
int number_of(const std::string& text) {
    return std::atoi(text.c_str());
}

char record_byte(int value, const std::string& what) {
    if (value <= 0 || value > 255) {
        throw CommandFailure(what + " must be 1 to 255: a record byte of 0 would end it early");
    }
    return static_cast<char>(value);
}

std::string field_entry(const std::string& piece) {
    const auto items = split(piece, "()/", false);
    if (items.size() < 3) throw CommandFailure("field " + piece + " is not (NAME/NUMBER/CHAR)");
    std::string entry = items[0].substr(0, kNameWidth);
    entry.resize(kNameWidth, ' ');
    entry += record_byte(kCountBase + number_of(items[1]), "the number of field " + piece);
    entry += items[2][0];
    return entry;
}

}  // namespace

std::optional<std::string> config_value(std::istream& file, std::string key) {
    key = upper(key.substr(0, key.find(' ')));
    file.clear();
    file.seekg(0);
    std::string line;
    while (read_file_line(file, line)) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find('=');
        if (first == std::string::npos || first == 0) continue;
        const std::string name = line.substr(0, first);
        if (upper(name.substr(0, name.find(' '))) == key) return line.substr(line.rfind('=') + 1);
    }
    return std::nullopt;
}

std::string kd24_record(std::istream& file) {
    std::string record;
    record += record_byte(number_of(config_value(file, "FIELD_DELIMETER").value_or("")),
                          "FIELD_DELIMETER");
    record += record_byte(number_of(config_value(file, "RECORD_DELIMETER").value_or("")),
                          "RECORD_DELIMETER");
    auto pieces = split(config_value(file, "FIELD").value_or(""), ",", true);
    if (!pieces.empty()) pieces.erase(pieces.begin());  // the first item is not a field
    if (pieces.empty()) throw CommandFailure("No setting in configuration file");
    if (pieces.size() > kMaxFields) {
        throw CommandFailure("at most " + std::to_string(kMaxFields) + " fields fit a record");
    }
    record += static_cast<char>(kCountBase + static_cast<int>(pieces.size()));
    for (const auto& piece : pieces) record += field_entry(piece);
    return record;
}

std::string kd24_record_from_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw CommandFailure(path + " not found");
    try {
        return kd24_record(file);
    } catch (const LineTooLong& error) {
        throw CommandFailure(path + ": " + error.what());
    }
}

}  // namespace vantctl
