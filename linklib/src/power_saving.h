// Wake-up and sleep steps that the commands run around their exchange.
#pragma once

#include <cstdint>

namespace vantlink {

// Up to five attempts of byte 0x00 and command '7'; the result is also the power-saving result.
int32_t wake_terminal(int32_t port, int32_t address);
// Command '8'; the result is also the power-saving result.
int32_t sleep_terminal(int32_t port, int32_t address);

}  // namespace vantlink
