// The ttys present as sysfs describes them, for builds without libudev.
#include <fstream>
#include <string>

#include "tty_descriptions.h"

namespace vantdev {
namespace {

namespace fs = std::filesystem;

std::string first_line(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The last part of where a link points: a driver's or a subsystem's name.
std::string link_name(const fs::path& link) {
    std::error_code error;
    return fs::read_symlink(link, error).filename().string();
}

}  // namespace

std::vector<Properties> sysfs_tty_descriptions(const fs::path& sys, const fs::path& dev) {
    std::vector<Properties> descriptions;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sys / "class/tty", error)) {
        const std::string name = entry.path().filename().string();
        Properties properties{{"DEVNAME", "/dev/" + name}};
        if (fs::exists(entry.path() / "type")) {
            properties["PORT_TYPE"] = first_line(entry.path() / "type");
        }
        // As udev does: the nearest device above the tty with a driver, past the serial core's
        // port devices; and the USB device above it, if any.
        const fs::path tty = fs::weakly_canonical(entry.path(), error);
        for (fs::path dir = tty.parent_path(); dir.has_relative_path() && dir != sys;
             dir = dir.parent_path()) {
            if (!properties.contains("DRIVER") && fs::is_symlink(dir / "driver") &&
                link_name(dir / "subsystem") != "serial-base") {
                properties["DRIVER"] = link_name(dir / "driver");
            }
            if (fs::exists(dir / "idVendor")) {
                properties["ID_VENDOR_ID"] = first_line(dir / "idVendor");
                properties["ID_MODEL_ID"] = first_line(dir / "idProduct");
                properties["ID_VENDOR"] = first_line(dir / "manufacturer");
                properties["ID_MODEL"] = first_line(dir / "product");
                properties["ID_SERIAL_SHORT"] = first_line(dir / "serial");
                break;
            }
        }
        std::string links;
        for (const auto& link : fs::directory_iterator(dev / "serial/by-id", error)) {
            if (fs::read_symlink(link.path(), error).filename() != name) continue;
            links += (links.empty() ? "" : " ") +
                     ("/dev/serial/by-id/" + link.path().filename().string());
        }
        if (!links.empty()) properties["DEVLINKS"] = links;
        descriptions.push_back(std::move(properties));
    }
    return descriptions;
}

#ifndef VANT_HAVE_UDEV
std::vector<Properties> tty_descriptions() {
    return sysfs_tty_descriptions("/sys", "/dev");
}
#endif

}  // namespace vantdev
