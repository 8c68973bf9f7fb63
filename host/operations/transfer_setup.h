// Setup > Upload cfg. and Setup > Download cfg.: the file lists of the multi-file transfers.
#pragma once

namespace vantrel {

class HostServices;

void install_transfer_setup_commands(HostServices& services);

}  // namespace vantrel
