#include "terminal_text.h"

#include <unistd.h>

namespace vantctl {
namespace {

bool is_control(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F);
}

}  // namespace

std::string visible_text(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!is_control(byte)) {
            shown += c;
            continue;
        }
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0x0F];
    }
    return shown;
}

void write_terminal_text(std::FILE* out, std::string_view text) {
    if (isatty(fileno(out)) == 1) {
        const std::string shown = visible_text(text);
        (void)std::fwrite(shown.data(), 1, shown.size(), out);  // callers check the stream
    } else {
        (void)std::fwrite(text.data(), 1, text.size(), out);
    }
}

}  // namespace vantctl
