// Execute and Execute > Set Terminal's: the commands that start, stop, reset and configure the
// terminals, and the command-line operations E, M and X.
#pragma once

namespace vantrel {

class HostServices;

void install_terminal_setup_commands(HostServices& services);

}  // namespace vantrel
