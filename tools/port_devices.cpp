// The device choice of a run, and `ports`: every serial device, the COM that names it, and
// whether it is free.
#include "port_devices.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "command_table.h"
#include "profile_file.h"
#include "vantlink.h"
#if VANTCTL_LINUX_ONLY_COMMANDS
#include "port_table.h"
#endif

namespace vantctl {
namespace {

constexpr char kVariablePrefix[] = "VANTLINK_COM";

#if VANTCTL_LINUX_ONLY_COMMANDS

int ports(const Invocation& invocation) {
    const LinkOptions& link = invocation.link;
    const auto choices = vantdev::port_choices(kVariablePrefix, link.configured);
    auto rows =
        vantdev::port_rows(vantdev::list_serial_devices(), choices, link.device ? link.port : 0);
    for (auto& row : rows) {
        if (row.path.empty() || row.network) continue;
        row.probe_error = vantlink::probe_port_open(row.path);
        // Whoever has /dev/null or the like open is no news about a serial line.
        if (row.probe_error != ENOTTY) row.holders = vantlink::port_holders(row.path);
    }
    const std::string text =
        invocation.has("--json") ? vantdev::port_table_json(rows) : vantdev::port_table_text(rows);
    std::fputs(text.c_str(), stdout);
    return 0;
}
#endif

}  // namespace

std::vector<std::string> name_port_devices(LinkOptions& options, const std::string& settings_path) {
    std::vector<std::string> warnings;
    const opscore::ProfileFile settings(settings_path);
    if (settings.refused()) {
        warnings.push_back(settings_path + " " + settings.refusal() +
                           ": the devices of its [Ports] are not used");
    }
    for (int port = 1; port <= static_cast<int>(options.configured.size()); ++port) {
        std::string& device = options.configured[port - 1];
        device = settings.read("Ports", "COM" + std::to_string(port), "",
                               opscore::ProfileFile::kLineMax);
        if (options.device && port == options.port) {
            device = *options.device;
            unsetenv((kVariablePrefix + std::to_string(port)).c_str());
        }
        if (HC_set_port_device(port, device.c_str()) == 1) continue;
        if (options.device && port == options.port) {
            throw UsageError("--device: the library refuses a path of " +
                             std::to_string(device.size()) + " bytes");
        }
        warnings.push_back(settings_path + ": [Ports] COM" + std::to_string(port) +
                           " is refused by the library and not used");
        device.clear();
    }
    return warnings;
}

std::vector<CommandSpec> port_commands() {
#if !VANTCTL_LINUX_ONLY_COMMANDS
    return {};  // the device list comes from udev
#else
    return {make_spec("ports", "[--json]",
                      "the serial devices, the COM that names each, free or busy", 0, 0, ports,
                      {{"--json"}, {}})};
#endif
}

}  // namespace vantctl
