#include "serial_devices.h"

#include "tty_descriptions.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace vantdev {
namespace {

std::string value_of(const Properties& properties, std::string_view key) {
    const auto found = properties.find(key);
    return found == properties.end() ? std::string() : found->second;
}

// The first of the keys that has a value: the hardware database's names read better than the
// ones the device reports, which use underscores for blanks.
std::string first_of(const Properties& properties, std::initializer_list<std::string_view> keys) {
    for (const auto key : keys) {
        std::string value = value_of(properties, key);
        if (value.empty()) continue;
        std::replace(value.begin(), value.end(), '_', ' ');
        return value;
    }
    return {};
}

std::string stable_name(const std::string& links) {
    constexpr std::string_view kById = "/dev/serial/by-id/";
    std::size_t start = 0;
    while (start < links.size()) {
        const std::size_t end = std::min(links.find(' ', start), links.size());
        std::string link = links.substr(start, end - start);
        if (link.starts_with(kById)) return link;
        start = end + 1;
    }
    return {};
}

// ttyACM0 < ttyS0 < ttyS10 < ttyUSB0: by name, then by number.
bool node_order(const SerialDevice& a, const SerialDevice& b) {
    auto split = [](const std::string& node) {
        const auto digits = node.find_last_not_of("0123456789") + 1;
        const std::string number = node.substr(digits);
        return std::pair(node.substr(0, digits), number.empty() ? 0UL : std::stoul(number));
    };
    return split(a.node) < split(b.node);
}

}  // namespace

std::optional<SerialDevice> device_from_properties(const Properties& properties) {
    SerialDevice device;
    device.node = value_of(properties, "DEVNAME");
    device.driver = value_of(properties, "DRIVER");
    if (device.node.empty() || device.driver.empty()) return std::nullopt;
    if (value_of(properties, "PORT_TYPE") == "0") return std::nullopt;
    device.by_id = stable_name(value_of(properties, "DEVLINKS"));
    device.manufacturer = first_of(properties, {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR"});
    device.product = first_of(properties, {"ID_MODEL_FROM_DATABASE", "ID_MODEL"});
    device.serial = value_of(properties, "ID_SERIAL_SHORT");
    device.vid = value_of(properties, "ID_VENDOR_ID");
    device.pid = value_of(properties, "ID_MODEL_ID");
    return device;
}

std::vector<Properties> parse_property_blocks(std::string_view text) {
    std::vector<Properties> blocks;
    bool open = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (line.empty() || equals == 0 || equals == std::string_view::npos) {
            open = open && !line.empty();
            continue;
        }
        if (!open) blocks.emplace_back();
        open = true;
        blocks.back()[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
    return blocks;
}

std::vector<SerialDevice> list_serial_devices() {
    std::vector<SerialDevice> devices;
    for (const auto& properties : tty_descriptions()) {
        if (auto found = device_from_properties(properties)) devices.push_back(std::move(*found));
    }
    std::sort(devices.begin(), devices.end(), node_order);
    return devices;
}

std::string describe(const SerialDevice& device) {
    std::vector<std::string> facts;
    if (!device.by_id.empty()) facts.push_back(device.node.substr(device.node.rfind('/') + 1));
    for (const std::string* fact : {&device.driver, &device.manufacturer, &device.product}) {
        if (!fact->empty()) facts.push_back(*fact);
    }
    if (!device.serial.empty()) facts.push_back("serial " + device.serial);
    if (!device.vid.empty() || !device.pid.empty()) facts.push_back(device.vid + ":" + device.pid);
    std::string text = device.path();
    for (std::size_t i = 0; i < facts.size(); ++i) text += (i == 0 ? " (" : ", ") + facts[i];
    return facts.empty() ? text : text + ")";
}

bool names_device(const SerialDevice& device, const std::string& path) {
    if (path.empty()) return false;
    if (path == device.node || path == device.by_id) return true;
    struct stat named {};
    struct stat node {};
    return stat(path.c_str(), &named) == 0 && stat(device.node.c_str(), &node) == 0 &&
           S_ISCHR(named.st_mode) && named.st_rdev == node.st_rdev;
}

}  // namespace vantdev
