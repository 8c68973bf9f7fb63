#include "transfer_setup.h"

namespace vantrel {

void install_transfer_setup_commands(HostServices&) {}

}  // namespace vantrel
