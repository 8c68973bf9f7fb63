#pragma once

#include <string>

#include "host_settings.h"

namespace vantrel {

// What a reload of Vantcom.ini did to the running settings.
struct SettingsReload {
    bool applied = false;  // false: the file was refused, the running settings stay
    bool addressesChanged = false;
    bool windowsChanged = false;
    bool dataFileChanged = false;
    std::string message;  // one line: what was applied, what waits for a restart, or why not
};

// Reads Vantcom.ini again while polling runs and takes over from it only what polling can
// change between two polls: the addresses, the polling windows, the data file, MaxError. The
// line's settings take a restart: they are named, not applied.
SettingsReload reloadPollingSettings(const std::string& workFolder, HostSettings& running);

}  // namespace vantrel
