#include "poll_setup.h"

namespace vantrel {

void install_poll_setup_commands(HostServices&) {}

}  // namespace vantrel
