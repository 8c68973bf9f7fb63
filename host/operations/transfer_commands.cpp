#include "transfer_commands.h"

namespace vantrel {

void install_transfer_commands(HostServices&) {}

}  // namespace vantrel
