// Setup > Poll and Setup > Time Synchronize.
#pragma once

namespace vantrel {

class HostServices;

void install_poll_setup_commands(HostServices& services);

}  // namespace vantrel
