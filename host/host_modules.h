// The features of the host program, each installing its command handlers.
#pragma once

namespace vantrel {

class HostServices;

// Calls the installer of every feature folder; the build generates it from the folders present.
void install_host_modules(HostServices& services);

}  // namespace vantrel
