#include "date_time_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace opscore {
namespace {

constexpr size_t kDateTimeLength = 14;

// Digits only: the caller has checked them.
int field(std::string_view text, size_t at, size_t width) {
    int value = 0;
    for (const char c : text.substr(at, width)) value = value * 10 + (c - '0');
    return value;
}

bool is_leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

}  // namespace

std::string date_time_text(const std::tm& local) {
    char text[72];  // room for six numbers of any size, so nothing is cut
    (void)std::snprintf(text, sizeof text, "%4d%.2d%.2d%.2d%.2d%.2d", local.tm_year + 1900,
                        local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string date_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return date_time_text(local);
}

bool is_date_time_text(std::string_view text) {
    if (text.size() != kDateTimeLength ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const int year = field(text, 0, 4), month = field(text, 4, 2), day = field(text, 6, 2);
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return false;
    return field(text, 8, 2) <= 23 && field(text, 10, 2) <= 59 && field(text, 12, 2) <= 59;
}

std::string advanced_date_time(std::string_view text, long seconds) {
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

}  // namespace opscore
