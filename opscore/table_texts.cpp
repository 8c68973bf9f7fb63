#include "table_texts.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace opscore {
namespace {

char baud_character(int index) {
    if (index <= 0) return '0';
    if (index >= 9) return 'A';
    return static_cast<char>('1' + index);  // 300 baud is "2" ... 38400 is "9"
}

bool is_known_kind(TerminalKind kind) {
    const int number = static_cast<int>(kind);
    return number >= 0 && number < kTerminalKinds;
}

bool in_range(int choice, int count) {
    return choice >= 0 && choice < count;
}

// Low, Medium, High: in the device tables Medium sends the same digit as High.
constexpr const char* kVolumeDigits = "099";

// One place of a table: the letters of its choices, and the choice made.
struct Place {
    std::string_view letters;
    int choice;
};

// The letter of each place's choice; nothing when a choice has no letter.
std::optional<std::string> letters_for(std::initializer_list<Place> places) {
    std::string text;
    for (const auto& place : places) {
        if (!in_range(place.choice, static_cast<int>(place.letters.size()))) return std::nullopt;
        text += place.letters[static_cast<std::size_t>(place.choice)];
    }
    return text;
}

}  // namespace

std::string comm_table_text(const CommSettings& settings, char address) {
    const int timeout = settings.timeout_tenths % 100;
    const char* pattern = "718NM0%.2d";
    if (settings.kind == TerminalKind::KD24) pattern = "718NM0%.2dF";
    if (is_vs_kind(settings.kind)) pattern = "718NFM00%.2d";
    char text[16];
    (void)std::snprintf(text, sizeof text, pattern, timeout);  // two digits: always fits
    text[0] = baud_character(settings.baud_index);
    text[1] = static_cast<char>('0' + settings.stop_bits);
    text[2] = static_cast<char>('0' + settings.data_bits);
    text[3] = settings.parity;
    text[is_vs_kind(settings.kind) ? 6 : 5] = address;
    return text;
}

std::string bar_table_text(TerminalKind kind, const BarCodeChoice& choice) {
    if (!is_known_kind(kind)) return {};
    const bool vs = is_vs_kind(kind);
    const char enable = vs ? 'E' : 'N';
    const char disable = vs ? 'D' : 'F';
    auto letter = [&](bool on) { return on ? enable : disable; };
    std::string text;
    switch (choice.code39) {
        case Code39::On:
            text += enable;
            break;
        case Code39::Off:
            text += disable;
            break;
        // Full ASCII is "F" on every model: on the KD models the same letter as OFF.
        case Code39::Full:
            text += 'F';
            break;
        default:
            return {};
    }
    text += letter(choice.i2of5);
    text += letter(choice.codabar);
    text += letter(choice.ean_upc);
    text += letter(choice.code128);
    if (kind == TerminalKind::KD31_KD32) return text;
    if (vs) {
        text += letter(choice.ean128);
        text += letter(choice.code93);
        text += letter(choice.trioptic);
    } else {
        text += letter(choice.msi);
        text += letter(choice.code11);
        text += letter(choice.code93);
    }
    return text;
}

std::optional<std::string> device_table_text(TerminalKind kind, const Kd35DeviceChoice& choice) {
    if (kind != TerminalKind::KD31_KD32 && kind != TerminalKind::KD35) return std::nullopt;
    // On the KD31/KD32 only Auto switches the external scanner on.
    const char* scanner = kind == TerminalKind::KD35 ? "PAMD" : "NFFF";
    return letters_for({{scanner, choice.scanner},
                        {"BMD", choice.badge},
                        {"NF", choice.backlight},
                        {"NF", choice.buzzer},
                        {"NKP", choice.key_lock},
                        {kVolumeDigits, choice.volume}});
}

std::optional<std::string> device_table_text(const Kd24DeviceChoice& choice) {
    if (!in_range(choice.backlight, 2) || !in_range(choice.interval, 2) ||
        !in_range(choice.beep_volume, 8)) {
        return std::nullopt;
    }
    std::string text = "ABFN2N";
    // The two back-light settings touch different places of the KD24 table.
    if (choice.backlight == 0) {
        text[2] = 'N';
    } else {
        text[1] = 'F';
    }
    text[4] = static_cast<char>('0' + choice.beep_volume);
    text[5] = choice.interval == 0 ? 'N' : 'F';
    return text;
}

std::optional<std::string> device_table_text(const Vs17DeviceChoice& choice) {
    return letters_for({{"PAD", choice.scanner},
                        {"NF", choice.backlight},
                        {"NF", choice.buzzer},
                        {" ", 0},
                        {kVolumeDigits, choice.volume},
                        {"NF", choice.serial},
                        {"0123456789", choice.auto_off},
                        {" ", 0}});
}

}  // namespace opscore
