#pragma once

namespace vantrel {

class HostServices;

// Port > Connect / Dial, Port > Disconnect / Hang up, Setup > Modem and the communication
// settings dialogs (Setup > Parameter, Setup > Command Line setting).
void install_dialup_commands(HostServices& services);

}  // namespace vantrel
