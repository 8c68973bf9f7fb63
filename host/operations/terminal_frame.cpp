#include "terminal_frame.h"

#include <algorithm>

#include "command_ids.h"
#include "host_services.h"
#include "operator_prompts.h"
#include "vantlink.h"

namespace vantrel {

int terminalCount(const HostSettings& settings) {
    return std::min(static_cast<int>(settings.Address.size()), kAddressSlots);
}

bool readyCheck(HostServices& services, OperatorPrompts& prompts) {
    if (services.settings().Address.empty()) {
        prompts.showMessage("Please set address !", true);
        return false;
    }
    // Connect / Dial reports its own failures; a missing handler leaves the line down.
    if (!services.state().connected) services.runCommand(ID_PORT_CONNECT);
    return services.state().connected;
}

void closeIfCommandLineLineDown(HostServices& services) {
    const HostState& state = services.state();
    if (state.commandLineMode && !state.connected && services.settings().AUTO_EXIT)
        services.closeWithoutAsking();
}

void closeIfCommandLineDone(HostServices& services) {
    if (services.state().commandLineMode && services.settings().AUTO_EXIT)
        services.closeWithoutAsking();
}

void TerminalLoop::run(HostServices& services, PanelMode mode, const Step& step) {
    HostState& state = services.state();
    state.panelMode = mode;
    state.progressPhase = kPhaseFull;
    services.redraw();
    services.setReady(false);
    visit(services, step);
    state.progressPhase = kPhaseFull;
    services.redraw();
    services.setReady(true);
}

bool TerminalLoop::visit(HostServices& services, const Step& step, const Filter& filter) {
    HostState& state = services.state();
    const std::string addresses = services.settings().Address;  // steps may not change it
    const int count = std::min(static_cast<int>(addresses.size()), kAddressSlots);
    for (int i = 0; i < count; ++i) {
        if (state.isReady()) return false;
        if (!state.selection[i] || (filter && !filter(i, addresses[i]))) continue;
        state.progressPhase = kPhaseFull;
        state.currentIndex = i;
        state.status[i] = TerminalStatus::Addressed;
        services.redraw();
        step(i, addresses[i]);
    }
    return !state.isReady();
}

void showOneCallResult(HostServices& services, int index, char address, std::string_view operation,
                       std::string_view detail, int code) {
    if (code == RC_NO_DATA) return;
    TerminalStatus& status = services.state().status[index];
    if (code == RC_SUCCESS)
        status = TerminalStatus::Done;
    else if (code == RC_TIME_OUT)
        status = TerminalStatus::TimeOut;
    else
        status = TerminalStatus::Failed;
    services.reporter().report(address, operation, detail, code);
}

}  // namespace vantrel
