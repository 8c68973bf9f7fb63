// Setup > Poll and Setup > Time Synchronize.
#pragma once

class QWidget;

namespace vantrel {

class HostServices;

// Each starts from the file's values, changes nothing on Cancel, and on OK stores the values
// and saves the whole record.
void runSetupPoll(HostServices& services, QWidget* owner);
void runSetupTimeSync(HostServices& services, QWidget* owner);

void install_poll_setup_commands(HostServices& services);

}  // namespace vantrel
