// Which device each COM number opens in this run: ./Vantcom.ini's [Ports] as the host keeps it,
// and --device for the chosen port.
#pragma once

#include <string>
#include <vector>

#include "cli_options.h"

namespace vantctl {

// Reads [Ports] COM1..COM4 of settings_path into options.configured, then puts --device in
// place of the chosen port's entry and unsets VANTLINK_COM<port>, so the option decides; names
// every entry to the library. Returns warnings for the user (a settings file that cannot be
// read); throws UsageError for a --device the library refuses.
std::vector<std::string> name_port_devices(LinkOptions& options,
                                           const std::string& settings_path = "Vantcom.ini");

}  // namespace vantctl
