// The serial devices present on this machine, with what a person recognises them by. One
// enumeration (libudev) serves the host, the receiver and vantctl; turning a device's udev
// properties into a description is kept apart from the enumeration, so it can be checked on
// recorded descriptions.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantdev {

struct SerialDevice {
    std::string node;    // the device node: /dev/ttyUSB0
    std::string by_id;   // its /dev/serial/by-id/ name, which survives a re-plug; may be empty
    std::string driver;  // ftdi_sio, cp210x, cdc_acm, serial8250...
    std::string manufacturer;
    std::string product;
    std::string serial;  // the USB serial number
    std::string vid;     // four hex digits, or empty
    std::string pid;

    // The name to choose and store: the stable one where there is one.
    const std::string& path() const { return by_id.empty() ? node : by_id; }
    bool operator==(const SerialDevice&) const = default;
};

using Properties = std::map<std::string, std::string, std::less<>>;

// The device that one udev description (the tty's properties, as `udevadm info --query=property`
// prints them, plus DRIVER: the driver of the device behind the tty, and PORT_TYPE: its serial
// "type" attribute) stands for; nothing for a tty with no device behind it (a console, a
// pseudo-terminal) or a built-in port with no UART (type 0).
std::optional<SerialDevice> device_from_properties(const Properties& properties);

// Recorded descriptions: KEY=VALUE lines, one description per block, blocks apart by a blank line.
std::vector<Properties> parse_property_blocks(std::string_view text);

// The serial devices present now, by node name (ttyACM0 before ttyS0 before ttyUSB0); empty
// when udev cannot be asked.
std::vector<SerialDevice> list_serial_devices();

// One line for a list: the path, then what is known in brackets:
// "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0 (ttyUSB0, ftdi_sio, FTDI, FT232R USB
// UART, serial A1, 0403:6001)".
std::string describe(const SerialDevice& device);

// Whether path opens this device: its node, its stable name, or any other link to the same node.
bool names_device(const SerialDevice& device, const std::string& path);

}  // namespace vantdev
