#include "cli_options.h"

#include <array>
#include <charconv>

#include "port_diagnosis.h"
#include "vantlink.h"

namespace vantctl {
namespace {

constexpr std::array<int64_t, 10> kRates = {110,  300,  600,   1200,  2400,
                                            4800, 9600, 19200, 38400, 57600};

std::optional<int32_t> parse_parity(const std::string& text) {
    if (text == "none" || text == "n" || text == "0") return 0;
    if (text == "odd" || text == "o" || text == "1") return 1;
    if (text == "even" || text == "e" || text == "2") return 2;
    return std::nullopt;
}

std::optional<int32_t> parse_save_mode(const std::string& text) {
    if (text == "new") return UPLOAD_SAVE_NEW;
    if (text == "overwrite") return UPLOAD_SAVE_OVERWRITE;
    if (text == "append") return UPLOAD_SAVE_APPEND;
    return std::nullopt;
}

}  // namespace

std::optional<int64_t> parse_number(const std::string& text, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

int32_t baud_code_for_rate(int64_t rate) {
    for (size_t code = 0; code < kRates.size(); ++code) {
        if (kRates[code] == rate) return static_cast<int32_t>(code);
    }
    return static_cast<int32_t>(rate);
}

std::string take_link_options(std::vector<std::string>& args, LinkOptions& options) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takes_value = arg == "--port" || arg == "--baud" || arg == "--parity" ||
                                 arg == "--data-bits" || arg == "--stop-bits" ||
                                 arg == "--timeout" || arg == "--esc-delay" ||
                                 arg == "--nak-delay" || arg == "--save-mode" ||
                                 arg == "--tester-delay" || arg == "--device";
        if (arg == "--power-saving") {
            options.power_saving = true;
            continue;
        }
        if (!takes_value) {
            rest.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) return arg + " needs a value";
        const std::string& value = args[++i];
        if (arg == "--parity") {
            const auto parity = parse_parity(value);
            if (!parity) return "--parity takes none, odd or even";
            options.parity = *parity;
            continue;
        }
        if (arg == "--device") {
            if (value.empty()) return "--device needs a device path";
            options.device = value;
            continue;
        }
        if (arg == "--save-mode") {
            options.save_mode = parse_save_mode(value);
            if (!options.save_mode) return "--save-mode takes new, overwrite or append";
            continue;
        }
        std::optional<int64_t> number;
        if (arg == "--port") number = parse_number(value, 1, 4);
        if (arg == "--baud") number = parse_number(value, 1, 4000000);
        if (arg == "--data-bits") number = parse_number(value, 5, 8);
        if (arg == "--stop-bits") number = parse_number(value, 1, 2);
        if (arg == "--timeout" || arg == "--esc-delay" || arg == "--nak-delay" ||
            arg == "--tester-delay") {
            number = parse_number(value, 0, 600000);
        }
        if (!number) return "bad value for " + arg + ": " + value;
        const auto n = static_cast<int32_t>(*number);
        if (arg == "--port") options.port = n;
        if (arg == "--baud") options.baud_code = baud_code_for_rate(*number);
        if (arg == "--data-bits") options.data_bits = n;
        if (arg == "--stop-bits") options.stop_bits = n;
        if (arg == "--timeout") options.time_out_ms = n;
        if (arg == "--esc-delay") options.esc_delay_ms = n;
        if (arg == "--nak-delay") options.nak_delay_ms = n;
        if (arg == "--tester-delay") options.tester_delay_ms = n;
    }
    args = std::move(rest);
    return {};
}

std::string open_link(const LinkOptions& options) {
    if (options.time_out_ms) HM_set_time_out(*options.time_out_ms);
    if (options.esc_delay_ms) HM_set_ESC_delay(*options.esc_delay_ms);
    if (options.nak_delay_ms) HM_set_NAK_delay(*options.nak_delay_ms);
    if (options.tester_delay_ms) HM_set_Tester_delay(*options.tester_delay_ms);
    if (options.save_mode) HM_set_upload_file_save_mode(*options.save_mode);
    HM_set_power_saving_status(options.power_saving ? 1 : 0);
    if (HM_OpenCommPort(options.port, options.baud_code, options.data_bits, options.parity,
                        options.stop_bits) != 1) {
        std::string error = "COM" + std::to_string(options.port) + " open error";
        const bool numbered = options.port >= 1 && options.port <= 4;
        if (const std::string reason = vantlink::diagnose_port(
                "VANTLINK_COM", options.port, numbered ? options.configured[options.port - 1] : "");
            !reason.empty()) {
            error += "\n" + reason;
        }
        return error;
    }
    return {};
}

}  // namespace vantctl
