#include "terminal_type_choice.h"

namespace vantrel {

TerminalTypeChoice terminalTypeChoiceFor(const HostSettings& settings) {
    return {1, static_cast<int>(settings.Terminal_type)};
}

void applyTerminalTypeChoice(const TerminalTypeChoice& choice, HostSettings& settings) {
    if (choice.terminalType >= 0 && choice.terminalType < kTerminalTypes)
        settings.Terminal_type = static_cast<TerminalType>(choice.terminalType);
    if (!choice.useDefaultDelays) return;
    // The VS family answers slower and sleeps between commands.
    const bool vsFamily = static_cast<int>(settings.Terminal_type) >= 3;
    settings.Time_out = vsFamily ? 500 : 400;
    settings.ESC_delay = vsFamily ? 30 : 10;
    settings.NAK_delay = vsFamily ? 100 : 30;
    settings.Power_Saving = vsFamily;
}

}  // namespace vantrel
