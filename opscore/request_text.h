// How much text one terminal request can carry, so a front end refuses what would be cut
// instead of sending part of it.
#pragma once

#include <cstddef>
#include <string_view>

namespace opscore {

// The longest argument text that one request carries, in bytes.
inline constexpr std::size_t kMaxRequestText = 256;
// Free data travels encoded in a 256-byte area with its NUL.
inline constexpr std::size_t kMaxEncodedData = 255;

// The size of free data once encoded for the line: control bytes, the backslash and most bytes
// from 0xA0 up take two.
std::size_t encoded_data_size(std::string_view data);

// True when a request carries text whole: at most kMaxRequestText bytes.
inline bool fits_request(std::string_view text) {
    return text.size() <= kMaxRequestText;
}
// True when free data fits its encoded area whole.
inline bool fits_send_data(std::string_view data) {
    return encoded_data_size(data) <= kMaxEncodedData;
}

}  // namespace opscore
