#include "poll_setup.h"

#include "command_ids.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "polling_time_dlgs.h"

namespace vantrel {

void runSetupPoll(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = askPollingData(pollingDataValuesFor(s), owner);
    if (!values) return;
    applyPollingDataValues(*values, s);
    services.saveSettings();
    // The panel shows the polling window.
    services.redraw();
}

void runSetupTimeSync(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = askAutoTimeSync(autoTimeSyncValuesFor(s), owner);
    if (!values) return;
    applyAutoTimeSyncValues(*values, s);
    services.saveSettings();
}

void install_poll_setup_commands(HostServices& services) {
    QWidget* owner = boxOwner(services);
    auto& host = services;
    services.setCommandHandler(ID_SETUP_POLL, [&host, owner] { runSetupPoll(host, owner); });
    services.setCommandHandler(ID_SETUP_TIME_SYNC,
                               [&host, owner] { runSetupTimeSync(host, owner); });
}

}  // namespace vantrel
