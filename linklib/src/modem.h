// Hayes modem answers turned into result codes.
#pragma once

#include <cstdint>

namespace vantlink {

inline constexpr int32_t kModemNoMatch = 200;

// The code of the first result word the text begins with (case-sensitive), or 200.
int32_t classify_modem_reply(const char* text);

}  // namespace vantlink
