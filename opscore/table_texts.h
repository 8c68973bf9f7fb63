// The short table texts that set-up commands send to the terminals.
#pragma once

#include <optional>
#include <string>

#include "terminal_kind.h"

namespace opscore {

struct CommSettings {
    TerminalKind kind = TerminalKind::KD31_KD32;
    int baud_index = 6;  // 0..9: 110 .. 57600
    int data_bits = 8;   // 7 or 8
    char parity = 'N';   // N, O or E
    int stop_bits = 1;   // 1 or 2
    int timeout_tenths = 0;
};

// The communication table for one terminal; its own address is part of it.
std::string comm_table_text(const CommSettings& settings, char address);

// The bar-code symbologies to enable: each true is ON, false OFF; Code 39 may also be FULL.
enum class Code39 { On = 0, Off = 1, Full = 2 };
struct BarCodeChoice {
    Code39 code39 = Code39::On;
    bool i2of5 = true;
    bool codabar = true;
    bool ean_upc = true;
    bool code128 = true;
    bool ean128 = true;
    bool code93 = true;
    bool trioptic = true;
    bool msi = true;
    bool code11 = true;
};
// The bar table for the model: five characters for KD31/KD32, eight for the others.
std::string bar_table_text(TerminalKind kind, const BarCodeChoice& choice);

// The device options of each family, as the device dialogs number their buttons (0 first).
struct Kd35DeviceChoice {  // KD31/KD32 and KD35
    int scanner = 0;       // Auto, Pen, MSR, Off
    int badge = 0;         // Barcode, MSR, Off
    int backlight = 0;     // On, Off
    int buzzer = 0;        // On, Off
    int volume = 0;        // Low, Medium, High
    int key_lock = 0;      // Unlock, Lock, Partial lock
};
struct Kd24DeviceChoice {
    int backlight = 0;    // On, Off
    int interval = 0;     // On, Off
    int beep_volume = 7;  // 0..7
};
struct Vs17DeviceChoice {  // VS17, VS19 and VS15
    int scanner = 0;       // Auto, Pen, Off
    int serial = 0;        // On, Off
    int backlight = 0;     // On, Off
    int buzzer = 0;        // On, Off
    int volume = 0;        // Low, Medium, High
    int auto_off = 5;      // 0..9
};
// The device table: six characters for the KD31/KD32 and KD35 (kind picks the scanner letters)
// and the KD24, eight for the VS models. Nothing for a choice out of its range.
std::optional<std::string> device_table_text(TerminalKind kind, const Kd35DeviceChoice& choice);
std::optional<std::string> device_table_text(const Kd24DeviceChoice& choice);
std::optional<std::string> device_table_text(const Vs17DeviceChoice& choice);

}  // namespace opscore
