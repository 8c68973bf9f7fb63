// The operator's words for the library's return codes.
#pragma once

#include <cstdint>
#include <string>

namespace vantctl {

// "Time out" for 4 and so on; an empty text for a code without one.
std::string result_text(int32_t code);

}  // namespace vantctl
