// Where the descriptions of the ttys present come from: libudev where the build has it, else
// sysfs directly (a cross build for a small board may lack libudev's development files).
#pragma once

#include <filesystem>
#include <vector>

#include "serial_devices.h"

namespace vantdev {

// One description per tty, in the form device_from_properties reads.
std::vector<Properties> tty_descriptions();

// The same read from a sysfs tree and a /dev tree (given, so a recorded tree can be read):
// DEVNAME, DRIVER, PORT_TYPE, the /dev/serial/by-id/ links as DEVLINKS, and a USB device's
// numbers and names; not the names udev's hardware database adds.
std::vector<Properties> sysfs_tty_descriptions(const std::filesystem::path& sys,
                                               const std::filesystem::path& dev);

}  // namespace vantdev
