// The serial devices read from a sysfs tree where there is no libudev: a recorded tree with a USB
// adapter, a built-in UART behind the serial core's port devices, a placeholder ttyS and a
// pseudo-terminal master.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "tty_descriptions.h"

namespace fs = std::filesystem;

TEST(SysfsDevices, DescribedAsUdevWouldDescribeThem) {
    const fs::path root = fs::temp_directory_path() / ("sysfs-" + std::to_string(getpid()));
    const fs::path usb = "sys/devices/usb1/1-1";
    const fs::path uart = "sys/devices/platform/fe201000.serial";
    struct Entry {
        fs::path path;
        std::string text;
        fs::path link_to;  // a symbolic link when set
    };
    const Entry tree[] = {
        {usb / "idVendor", "0403", {}},
        {usb / "idProduct", "6001", {}},
        {usb / "manufacturer", "FTDI", {}},
        {usb / "product", "FT232R USB UART", {}},
        {usb / "serial", "A1", {}},
        {usb / "1-1:1.0/ttyUSB0/driver", {}, "/sys/bus/usb-serial/drivers/ftdi_sio"},
        {usb / "1-1:1.0/ttyUSB0/tty/ttyUSB0/dev", "188:0", {}},
        {uart / "driver", {}, "/sys/bus/amba/drivers/uart-pl011"},
        {uart / "port.0/subsystem", {}, "/sys/bus/serial-base"},
        {uart / "port.0/driver", {}, "/sys/bus/serial-base/drivers/port"},
        {uart / "port.0/tty/ttyAMA0/type", "1", {}},
        {"sys/devices/platform/serial8250/driver", {}, "/sys/bus/platform/drivers/serial8250"},
        {"sys/devices/platform/serial8250/tty/ttyS1/type", "0", {}},
        {"sys/devices/virtual/tty/ptmx/dev", "5:2", {}},
        {"sys/class/tty/ttyUSB0", {}, root / usb / "1-1:1.0/ttyUSB0/tty/ttyUSB0"},
        {"sys/class/tty/ttyAMA0", {}, root / uart / "port.0/tty/ttyAMA0"},
        {"sys/class/tty/ttyS1", {}, root / "sys/devices/platform/serial8250/tty/ttyS1"},
        {"sys/class/tty/ptmx", {}, root / "sys/devices/virtual/tty/ptmx"},
        {"dev/serial/by-id/usb-FTDI_A1-if00-port0", {}, "../../ttyUSB0"},
    };
    for (const auto& entry : tree) {
        fs::create_directories((root / entry.path).parent_path());
        if (!entry.link_to.empty()) {
            fs::create_symlink(entry.link_to, root / entry.path);
        } else {
            std::ofstream(root / entry.path) << entry.text << '\n';
        }
    }
    std::vector<std::string> found;
    for (const auto& properties : vantdev::sysfs_tty_descriptions(root / "sys", root / "dev")) {
        if (auto device = vantdev::device_from_properties(properties)) {
            found.push_back(vantdev::describe(*device));
        }
    }
    fs::remove_all(root);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "/dev/serial/by-id/usb-FTDI_A1-if00-port0 (ttyUSB0, ftdi_sio, FTDI, "
                         "FT232R USB UART, serial A1, 0403:6001)",
                         "/dev/ttyAMA0 (uart-pl011)"}));
}
