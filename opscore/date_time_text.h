// The terminals' clock setting as text: "YYYYMMDDhhmmss".
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace opscore {

std::string date_time_text(const std::tm& local);
// The same text from the PC's local clock now.
std::string date_time_now();
// True for a text of that form that names a real date and time.
bool is_date_time_text(std::string_view text);
// A valid text moved on by seconds, the date following across midnight.
std::string advanced_date_time(std::string_view text, long seconds);

}  // namespace opscore
