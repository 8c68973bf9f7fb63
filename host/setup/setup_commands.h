// The program's own settings: Setup > Terminal, Parameter and Command Line setting.
#pragma once

class QWidget;

namespace vantrel {

class HostServices;

// The menu handlers of the settings dialogs. Each starts from the file's values, changes nothing
// on Cancel, and on OK stores, applies and saves the whole record.
void runSetupTerminal(HostServices& services, QWidget* owner);
void runSetupParameter(HostServices& services, QWidget* owner);
void runSetupCommandLine(HostServices& services, QWidget* owner);

void install_setup_commands(HostServices& services);

}  // namespace vantrel
