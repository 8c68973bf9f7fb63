#include "setup_commands.h"

#include "comm_param_dlg.h"
#include "command_ids.h"
#include "command_line_dlg.h"
#include "host_services.h"
#include "link_glue.h"
#include "modal_boxes.h"
#include "terminal_type_dlg.h"
#include "vantlink.h"

namespace vantrel {

namespace {

// The link timing and power saving take effect at once, in the order the library expects.
void pushChangedLinkSettings(const HostSettings& s) {
    HM_set_time_out(s.Time_out);
    HM_set_NAK_delay(s.NAK_delay);
    HM_set_ESC_delay(s.ESC_delay);
    HM_set_power_saving_status(s.Power_Saving ? 1 : 0);
}

// An open line is reopened with the new parameters, but never under a running command: that
// would close the port beneath a library call that is still waiting on it.
void reconnectIfConnected(HostServices& services) {
    const HostState& state = services.state();
    if (!state.connected || !state.isReady()) return;
    services.runCommand(ID_PORT_DISCONNECT);
    services.runCommand(ID_PORT_CONNECT);
}

}  // namespace

void runSetupTerminal(HostServices& services, QWidget* owner) {
    HostSettings& s = services.settings();
    const auto choice = CTerminalTypeDlg::ask(terminalTypeChoiceFor(s), owner);
    if (!choice) return;
    applyTerminalTypeChoice(*choice, s);
    // The timing values reach the link library with the next push; power saving now.
    pushPowerSaving(s.Power_Saving);
    services.saveSettings();
    services.state().setAllKinds(s.Terminal_type);
    services.redraw();
}

void runSetupParameter(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = CCommParamDlg::ask(commParamValuesFor(s), owner);
    if (!values) return;
    const ErrorLogMode previousMode = s.ErrorLog;
    applyCommParamValues(*values, s);
    pushChangedLinkSettings(s);
    // Before the reconnection below, which opens the port on its new device.
    pushPortDevices(s);
    // Saved before the log is reopened: a log that cannot be opened turns logging off for this
    // run only, the operator's choice stays in the file.
    services.saveSettings();
    // The same mode is opened again when its log failed to open before: the operator may have
    // freed the file in the meantime.
    const bool logMissing = s.ErrorLog != ErrorLogMode::No && !services.errorLogOpen();
    if (s.ErrorLog != previousMode || logMissing) services.reopenErrorLog(previousMode);
    reconnectIfConnected(services);
}

void runSetupCommandLine(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = CCommandLineDlg::ask(commandLineValuesFor(s), owner);
    if (!values) return;
    applyCommandLineValues(*values, s);
    services.saveSettings();
    services.redraw();
}

void install_setup_commands(HostServices& services) {
    QWidget* owner = boxOwner(services);
    auto& host = services;
    services.setCommandHandler(ID_SETUP_TERMINAL,
                               [&host, owner] { runSetupTerminal(host, owner); });
    services.setCommandHandler(ID_SETUP_PARAMETER,
                               [&host, owner] { runSetupParameter(host, owner); });
    services.setCommandHandler(ID_SETUP_COMMAND_LINE,
                               [&host, owner] { runSetupCommandLine(host, owner); });
}

}  // namespace vantrel
