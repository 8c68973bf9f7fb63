// The short texts that set-up commands send: date and time, communication table.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace vantctl {

// "YYYYMMDDhhmmss", the terminal's clock setting.
std::string date_time_text(const std::tm& local);
// The same text from the PC's clock now.
std::string date_time_now();
// True for a text of that form that names a real date and time.
bool is_date_time_text(const std::string& text);
// A valid text moved on by seconds, the date following across midnight.
std::string advanced_date_time(const std::string& text, long seconds);

// Terminal models, numbered as the terminal-type setting numbers them.
enum class TerminalKind { KD31_KD32 = 0, KD35 = 1, KD24 = 2, VS17 = 3, VS19 = 4, VS15 = 5 };
std::optional<TerminalKind> parse_terminal_kind(const std::string& name);

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

}  // namespace vantctl
