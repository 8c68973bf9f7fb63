#include "table_texts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vantctl {
namespace {

constexpr size_t kDateTimeLength = 14;

int field(const std::string& text, size_t at, size_t width) {
    return std::stoi(text.substr(at, width));
}

bool is_leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

bool is_vs_kind(TerminalKind kind) {
    return kind == TerminalKind::VS17 || kind == TerminalKind::VS19 || kind == TerminalKind::VS15;
}

char baud_character(int index) {
    if (index <= 0) return '0';
    if (index >= 9) return 'A';
    return static_cast<char>('1' + index);  // 300 baud is "2" ... 38400 is "9"
}

}  // namespace

std::string date_time_text(const std::tm& local) {
    char text[32];
    std::snprintf(text, sizeof text, "%4d%.2d%.2d%.2d%.2d%.2d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string date_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return date_time_text(local);
}

bool is_date_time_text(const std::string& text) {
    if (text.size() != kDateTimeLength ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const int year = field(text, 0, 4), month = field(text, 4, 2), day = field(text, 6, 2);
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return false;
    return field(text, 8, 2) <= 23 && field(text, 10, 2) <= 59 && field(text, 12, 2) <= 59;
}

std::string advanced_date_time(const std::string& text, long seconds) {
    std::tm t{};
    t.tm_year = field(text, 0, 4) - 1900;
    t.tm_mon = field(text, 4, 2) - 1;
    t.tm_mday = field(text, 6, 2);
    t.tm_hour = field(text, 8, 2);
    t.tm_min = field(text, 10, 2);
    t.tm_sec = field(text, 12, 2);
    // The clock text has no zone; count it as UTC so no daylight-saving step interferes.
    const std::time_t moved = timegm(&t) + seconds;
    std::tm result{};
    gmtime_r(&moved, &result);
    return date_time_text(result);
}

std::optional<TerminalKind> parse_terminal_kind(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "KD31" || upper == "KD32" || upper == "KD31/KD32") return TerminalKind::KD31_KD32;
    if (upper == "KD35") return TerminalKind::KD35;
    if (upper == "KD24") return TerminalKind::KD24;
    if (upper == "VS17") return TerminalKind::VS17;
    if (upper == "VS19") return TerminalKind::VS19;
    if (upper == "VS15") return TerminalKind::VS15;
    return std::nullopt;
}

std::string comm_table_text(const CommSettings& settings, char address) {
    const int timeout = settings.timeout_tenths % 100;
    const char* pattern = "718NM0%.2d";
    if (settings.kind == TerminalKind::KD24) pattern = "718NM0%.2dF";
    if (is_vs_kind(settings.kind)) pattern = "718NFM00%.2d";
    char text[16];
    std::snprintf(text, sizeof text, pattern, timeout);
    text[0] = baud_character(settings.baud_index);
    text[1] = static_cast<char>('0' + settings.stop_bits);
    text[2] = static_cast<char>('0' + settings.data_bits);
    text[3] = settings.parity;
    text[is_vs_kind(settings.kind) ? 6 : 5] = address;
    return text;
}

}  // namespace vantctl
