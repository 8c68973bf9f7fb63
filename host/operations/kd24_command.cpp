#include "kd24_command.h"

namespace vantrel {

void install_kd24_commands(HostServices& services) { (void)services; }

}  // namespace vantrel
