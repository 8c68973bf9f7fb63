#include "phone_book.h"

#include <algorithm>

#include "host_settings.h"

namespace vantrel {

namespace {

std::string leftAligned(std::string_view text, std::size_t width) {
    std::string field(text.substr(0, std::min(text.size(), width)));
    field.resize(std::max(field.size(), width), ' ');
    return field;
}

std::string_view cutEntry(std::string_view entry) {
    return entry.substr(0, std::min(entry.size(), kPhoneEntryWidth));
}

std::string withoutTrailingBlanks(std::string text) {
    const auto last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

}  // namespace

std::string storedPhoneEntry(std::string_view name, std::string_view number) {
    return leftAligned(name, kPhoneFieldWidth) + leftAligned(number, kPhoneFieldWidth);
}

std::string typedPhoneEntry(std::string_view name, std::string_view number) {
    // A name longer than the column would shift the number; it is cut like a stored one.
    return leftAligned(name, kPhoneFieldWidth) + std::string(number);
}

bool phoneEntryHasNumber(std::string_view entry) {
    return cutEntry(entry).size() > kPhoneFieldWidth;
}

std::string phoneEntryName(std::string_view entry) {
    const auto cut = cutEntry(entry);
    return std::string(cut.substr(0, std::min(cut.size(), kPhoneFieldWidth)));
}

std::string phoneEntryNumber(std::string_view entry) {
    const auto cut = cutEntry(entry);
    if (cut.size() <= kPhoneFieldWidth) return {};
    return std::string(cut.substr(kPhoneFieldWidth));
}

std::vector<std::string> phoneBookEntries(const HostSettings& settings) {
    std::vector<std::string> entries;
    for (int i = 0; i < kPhoneBookEntries; ++i) {
        if (settings.Modem_Phone_no[i].empty()) continue;
        entries.push_back(
            storedPhoneEntry(settings.Modem_Phone_name[i], settings.Modem_Phone_no[i]));
    }
    return entries;
}

void storePhoneBookEntries(const std::vector<std::string>& entries, HostSettings& settings) {
    for (int i = 0; i < kPhoneBookEntries; ++i) {
        const std::string_view entry =
            i < static_cast<int>(entries.size()) ? std::string_view(entries[i]) : "";
        const bool filled = phoneEntryHasNumber(entry);
        settings.Modem_Phone_name[i] = filled ? withoutTrailingBlanks(phoneEntryName(entry)) : "";
        settings.Modem_Phone_no[i] = filled ? withoutTrailingBlanks(phoneEntryNumber(entry)) : "";
    }
}

}  // namespace vantrel
