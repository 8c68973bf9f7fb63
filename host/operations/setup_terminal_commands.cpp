#include "setup_terminal_commands.h"

namespace vantrel {

void install_terminal_setup_commands(HostServices&) {}

}  // namespace vantrel
