// The short table texts that set-up commands send to the terminals.
#pragma once

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

}  // namespace opscore
