#include "request_text.h"

namespace opscore {

std::size_t encoded_data_size(std::string_view data) {
    std::size_t size = 0;
    for (const char byte : data) {
        const auto c = static_cast<unsigned char>(byte);
        size += (c < 0x20 || c == 0x5C || (c >= 0xA0 && c != 0xDC)) ? 2 : 1;
    }
    return size;
}

}  // namespace opscore
