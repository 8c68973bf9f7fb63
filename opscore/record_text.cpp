#include "record_text.h"

namespace opscore {
namespace {

// The letter that stands for a byte that would break the line, or 0 for any other byte.
char escape_letter(unsigned char byte) {
    switch (byte) {
        case '\r':
            return 'r';
        case '\n':
            return 'n';
        case '\0':
            return '0';
        default:
            return 0;
    }
}

// Whether a backslash followed by this byte would be read back as an escape.
bool starts_escape_after_backslash(unsigned char next) {
    return next == '\\' || next == 'r' || next == 'n' || next == '0' || escape_letter(next) != 0;
}

}  // namespace

std::string record_line_text(std::span<const unsigned char> record) {
    std::string text;
    text.reserve(record.size());
    for (size_t i = 0; i < record.size(); ++i) {
        const unsigned char byte = record[i];
        if (const char letter = escape_letter(byte)) {
            text += '\\';
            text += letter;
        } else if (byte == '\\' && i + 1 < record.size() &&
                   starts_escape_after_backslash(record[i + 1])) {
            text += "\\\\";
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

std::string record_from_line_text(std::string_view text) {
    std::string record;
    record.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c != '\\' || i + 1 >= text.size()) {
            record += c;
            continue;
        }
        switch (next) {
            case '\\':
                record += '\\';
                break;
            case 'r':
                record += '\r';
                break;
            case 'n':
                record += '\n';
                break;
            case '0':
                record += '\0';
                break;
            default:
                record += c;  // a plain backslash
                continue;
        }
        ++i;
    }
    return record;
}

}  // namespace opscore
