// The operator's words for the link library's return codes, as the message pane, the error log
// and vantctl show them.
#pragma once

#include <cstdint>
#include <string_view>

namespace opscore {

// "Time out" for 4 and so on; empty for a code without words (such as 252, or the host's -1 for
// a plain note). Sites parse these texts out of their logs: they stay letter for letter.
std::string_view result_text(int32_t code);

}  // namespace opscore
