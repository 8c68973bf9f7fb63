// Execute > KD24 CFG: the configuration record of a KD24 file sent to the selected terminals.
#pragma once

namespace vantrel {

class HostServices;

void install_kd24_commands(HostServices& services);

}  // namespace vantrel
