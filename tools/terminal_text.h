// Text that came from a terminal, on its way to the operator. A terminal emulator obeys control
// bytes (escape sequences, C1 controls), so on a terminal they are shown, not sent; into a pipe
// or a file the text goes byte for byte.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vantctl {

// The C0 controls, DEL and the C1 controls (0x80..0x9F) as \xHH with lower-case digits; every
// other byte as it is.
std::string visible_text(std::string_view text);

// Writes text to out: as visible_text when out is a terminal, else unchanged.
void write_terminal_text(std::FILE* out, std::string_view text);

}  // namespace vantctl
