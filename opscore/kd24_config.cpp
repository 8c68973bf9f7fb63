#include "kd24_config.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "bounded_line.h"

namespace opscore {
namespace {

constexpr size_t kMaxFields = 9;  // the record and its NUL fill a 100-byte answer area
constexpr size_t kNameWidth = 8;
constexpr int kCountBase = 64;

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::string_view first_word(std::string_view text) {
    return text.substr(0, text.find(' '));
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

// Far beyond any record byte, and far from int's limits, so that adding the field base to a
// number cannot overflow and a huge number cannot wrap round into the byte range.
constexpr long kNumberCap = 1'000'000;

// A number as a text-to-integer conversion reads it (leading blanks, a sign, the digits that
// follow; anything else 0), but held at kNumberCap instead of wrapping.
int number_of(const std::string& text) {
    size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) return 0;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + (text[i] - '0'), kNumberCap);
    return static_cast<int>(negative ? -value : value);
}

// A byte of 0 would end the zero-terminated record early.
std::optional<char> record_byte(int value) {
    if (value <= 0 || value > 255) return std::nullopt;
    return static_cast<char>(value);
}

Kd24Error bad_byte(const std::string& what) {
    return {Kd24Error::Kind::BadByte,
            what + " must be a number from 1 to 255: a record byte of 0 would end it early"};
}

std::optional<Kd24Error> append_field(const std::string& piece, std::string& record) {
    const auto items = split(piece, "()/", false);
    if (items.size() < 3) {
        return Kd24Error{Kd24Error::Kind::BadField,
                         "field " + piece + " is not (NAME/NUMBER/CHAR)"};
    }
    const auto number = record_byte(kCountBase + number_of(items[1]));
    if (!number) {
        return {{Kd24Error::Kind::BadByte, "the number of field " + piece +
                                               " must be from -63 to 191: 64 plus it makes a "
                                               "record byte, which must be 1 to 255"}};
    }
    std::string name = items[0].substr(0, kNameWidth);
    // Like a zero number byte, a zero in the name or the character would end the record early.
    if (name.find('\0') != std::string::npos || items[2][0] == '\0') {
        return Kd24Error{Kd24Error::Kind::BadByte,
                         "field " + piece + " holds a zero byte, which would end the record early"};
    }
    name.resize(kNameWidth, ' ');
    record += name;
    record += *number;
    record += items[2][0];
    return std::nullopt;
}

Kd24Record failed(Kd24Error error) {
    return {{}, std::move(error)};
}

}  // namespace

ConfigValue config_value(std::istream& file, std::string_view key) {
    const std::string wanted = upper(first_word(key));
    file.clear();
    file.seekg(0);
    std::string line;
    for (;;) {
        // One byte more for the CR of a CR LF ending.
        const LineRead read = read_bounded_line(file, line, kMaxConfigLine + 1);
        if (read == LineRead::End) return {};
        if (read == LineRead::Error) {
            return {std::nullopt,
                    Kd24Error{Kd24Error::Kind::ReadError, "the file could not be read to its end"}};
        }
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (read == LineRead::TooLong || line.size() > kMaxConfigLine) {
            return {std::nullopt, Kd24Error{Kd24Error::Kind::LineTooLong,
                                            "a line is longer than " +
                                                std::to_string(kMaxConfigLine) + " bytes"}};
        }
        const size_t first = line.find('=');
        if (first == std::string::npos || first == 0) continue;
        if (upper(first_word(std::string_view(line).substr(0, first))) == wanted) {
            return {line.substr(line.rfind('=') + 1), std::nullopt};
        }
    }
}

Kd24Record kd24_record(std::istream& file) {
    static const char* const kKeys[] = {"FIELD_DELIMETER", "RECORD_DELIMETER", "FIELD"};
    std::string values[3];
    for (size_t i = 0; i < 3; ++i) {
        ConfigValue found = config_value(file, kKeys[i]);
        if (found.error) return failed(std::move(*found.error));
        values[i] = found.value.value_or("");
    }
    // The field list first: a file without one (empty, or not a configuration file at all) is
    // told so rather than blamed for its first missing key.
    auto pieces = split(values[2], ",", true);
    pieces.erase(pieces.begin());  // the first item is not a field
    if (pieces.empty()) {
        return failed({Kd24Error::Kind::NoFields, "No setting in configuration file"});
    }
    if (pieces.size() > kMaxFields) {
        return failed({Kd24Error::Kind::TooManyFields,
                       "the FIELD list has " + std::to_string(pieces.size()) + " fields; at most " +
                           std::to_string(kMaxFields) + " fit a record"});
    }
    std::string record;
    for (size_t i = 0; i < 2; ++i) {
        const auto delimiter = record_byte(number_of(values[i]));
        if (!delimiter) return failed(bad_byte(kKeys[i]));
        record += *delimiter;
    }
    record += static_cast<char>(kCountBase + static_cast<int>(pieces.size()));
    for (const auto& piece : pieces) {
        if (auto error = append_field(piece, record)) return failed(std::move(*error));
    }
    return {std::move(record), std::nullopt};
}

}  // namespace opscore
