#include "port_choice.h"

#include "port_diagnosis.h"

namespace vantdev {

PortChoice port_choice(const std::string& variable_prefix, int port,
                       const std::string& configured) {
    PortChoice choice;
    choice.port = port;
    choice.variable = variable_prefix + std::to_string(port);
    choice.path = vantlink::port_device_path(variable_prefix, port, configured);
    if (vantlink::port_variable_value(variable_prefix, port) != nullptr) {
        choice.source = PortSource::Environment;
    } else if (!configured.empty()) {
        choice.source = PortSource::Settings;
    }
    return choice;
}

std::array<PortChoice, kComPorts> port_choices(
    const std::string& variable_prefix, const std::array<std::string, kComPorts>& configured) {
    std::array<PortChoice, kComPorts> choices;
    for (int i = 0; i < kComPorts; ++i)
        choices[i] = port_choice(variable_prefix, i + 1, configured[i]);
    return choices;
}

}  // namespace vantdev
