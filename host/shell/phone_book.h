#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct HostSettings;

// A phone-book entry travels between the dialogs as one text: the name left-aligned in 30
// columns, then the number from column 31 on.
inline constexpr std::size_t kPhoneFieldWidth = 30;
inline constexpr std::size_t kPhoneEntryWidth = 60;
// Vantcom.ini keeps at most 20 characters of a number; a longer one would be cut on the next
// start, so the phone book does not accept one.
inline constexpr std::size_t kPhoneNumberMax = 20;
inline constexpr std::size_t kPhoneNameMax = 30;

// "%-30s%-30s" with both parts cut to 30 first: the form of a stored entry.
std::string storedPhoneEntry(std::string_view name, std::string_view number);
// "%-30s%s": the form of an entry typed in the phone book.
std::string typedPhoneEntry(std::string_view name, std::string_view number);

// The entry cut at 60 characters; false when it holds no number (30 characters or fewer).
bool phoneEntryHasNumber(std::string_view entry);
// The first 30 characters, with the blanks that fill them.
std::string phoneEntryName(std::string_view entry);
// Columns 31 to 60, as they stand (the blanks that filled them included).
std::string phoneEntryNumber(std::string_view entry);

// One stored entry text per slot with a number, in slot order.
std::vector<std::string> phoneBookEntries(const HostSettings& settings);
// Replaces the 100 slots by the entries in order, the rest emptied. Entries without a number
// leave their slot empty, so the book is stored compacted. Trailing blanks are not stored.
void storePhoneBookEntries(const std::vector<std::string>& entries, HostSettings& settings);

}  // namespace vantrel
