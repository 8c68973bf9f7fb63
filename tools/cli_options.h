// Options shared by every sub-command: which port, how the line runs, the link timings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantctl {

struct LinkOptions {
    int32_t port = 1;
    int32_t baud_code = 6;  // 9600
    int32_t data_bits = 8;
    int32_t parity = 0;
    int32_t stop_bits = 1;
    std::optional<int32_t> time_out_ms;
    std::optional<int32_t> esc_delay_ms;
    std::optional<int32_t> nak_delay_ms;
    bool power_saving = false;
    std::optional<int32_t> save_mode;  // UPLOAD_SAVE_NEW, _OVERWRITE or _APPEND
    std::optional<int32_t> tester_delay_ms;
    std::optional<std::string> device;  // --device: COM<port>'s device for this run
    // The device named to the library for each COM (settings file, then --device); empty for
    // none.
    std::array<std::string, 4> configured;
};

// Takes the link options out of args (wherever they stand) and leaves the rest in order.
// Returns an error text, or an empty string when all were understood.
std::string take_link_options(std::vector<std::string>& args, LinkOptions& options);

// The library's baud code for a rate: 0..9 for the table's rates, else the rate itself.
int32_t baud_code_for_rate(int64_t rate);

// Parses a whole decimal number in [min, max].
std::optional<int64_t> parse_number(const std::string& text, int64_t min, int64_t max);

// Opens the port and pushes the link settings; an error text on failure, with the system's
// reason on a second line when the device can say why it will not open.
std::string open_link(const LinkOptions& options);

}  // namespace vantctl
