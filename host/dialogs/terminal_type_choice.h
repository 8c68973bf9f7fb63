#pragma once

#include "host_settings.h"

namespace vantrel {

// The values of the terminal-type dialog.
struct TerminalTypeChoice {
    int useDefaultDelays = 0;  // 0 or 1
    int terminalType = -1;     // TerminalType value, -1 when none is chosen
};

// What the dialog opens with: the stored type and "use default delays" ticked.
TerminalTypeChoice terminalTypeChoiceFor(const HostSettings& settings);

// Stores the confirmed choice; with default delays the family's link timing and power saving.
// A choice without a type keeps the stored one.
void applyTerminalTypeChoice(const TerminalTypeChoice& choice, HostSettings& settings);

}  // namespace vantrel
