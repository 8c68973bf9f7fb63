#pragma once

class QWidget;

namespace vantrel {

class HostServices;

// Setup > Modem: the modem's settings and the phone book; nothing changes on Cancel.
void runSetupModem(HostServices& services, QWidget* owner);

// Port > Connect / Dial, Port > Disconnect / Hang up and Setup > Modem.
void install_dialup_commands(HostServices& services);

}  // namespace vantrel
