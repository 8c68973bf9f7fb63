// The ttys present as libudev describes them.
#include <libudev.h>

#include <memory>

#include "tty_descriptions.h"

namespace vantdev {
namespace {

struct UdevDeleter {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_enumerate* handle) const { udev_enumerate_unref(handle); }
    void operator()(udev_device* handle) const { udev_device_unref(handle); }
};

Properties properties_of(udev_device* device) {
    Properties properties;
    for (udev_list_entry* entry = udev_device_get_properties_list_entry(device); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        const char* value = udev_list_entry_get_value(entry);
        properties.emplace(udev_list_entry_get_name(entry), value != nullptr ? value : "");
    }
    // The nearest device above the tty that has a driver, past the serial core's own port
    // devices (driver "port" on newer kernels). Parents belong to the tty: none is unreferenced.
    for (udev_device* parent = udev_device_get_parent(device); parent != nullptr;
         parent = udev_device_get_parent(parent)) {
        const char* subsystem = udev_device_get_subsystem(parent);
        const char* driver = udev_device_get_driver(parent);
        if (driver == nullptr ||
            (subsystem != nullptr && std::string_view(subsystem) == "serial-base"))
            continue;
        properties["DRIVER"] = driver;
        break;
    }
    if (const char* type = udev_device_get_sysattr_value(device, "type")) {
        properties["PORT_TYPE"] = type;
    }
    return properties;
}

}  // namespace

std::vector<Properties> tty_descriptions() {
    std::vector<Properties> descriptions;
    const std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context) return descriptions;
    const std::unique_ptr<udev_enumerate, UdevDeleter> search(udev_enumerate_new(context.get()));
    if (!search || udev_enumerate_add_match_subsystem(search.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(search.get()) < 0) {
        return descriptions;
    }
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(search.get()); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        const std::unique_ptr<udev_device, UdevDeleter> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (device) descriptions.push_back(properties_of(device.get()));
    }
    return descriptions;
}

}  // namespace vantdev
