#include "table_texts.h"

#include <cstdio>

namespace opscore {
namespace {

char baud_character(int index) {
    if (index <= 0) return '0';
    if (index >= 9) return 'A';
    return static_cast<char>('1' + index);  // 300 baud is "2" ... 38400 is "9"
}

}  // namespace

std::string comm_table_text(const CommSettings& settings, char address) {
    const int timeout = settings.timeout_tenths % 100;
    const char* pattern = "718NM0%.2d";
    if (settings.kind == TerminalKind::KD24) pattern = "718NM0%.2dF";
    if (is_vs_kind(settings.kind)) pattern = "718NFM00%.2d";
    char text[16];
    std::snprintf(text, sizeof text, pattern, timeout);
    text[0] = baud_character(settings.baud_index);
    text[1] = static_cast<char>('0' + settings.stop_bits);
    text[2] = static_cast<char>('0' + settings.data_bits);
    text[3] = settings.parity;
    text[is_vs_kind(settings.kind) ? 6 : 5] = address;
    return text;
}

std::string bar_table_text(TerminalKind, const BarCodeChoice&) {
    return {};
}

std::optional<std::string> device_table_text(TerminalKind, const Kd35DeviceChoice&) {
    return std::nullopt;
}

std::optional<std::string> device_table_text(const Kd24DeviceChoice&) {
    return std::nullopt;
}

std::optional<std::string> device_table_text(const Vs17DeviceChoice&) {
    return std::nullopt;
}

}  // namespace opscore
