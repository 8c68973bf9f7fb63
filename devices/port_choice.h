// Which device each COM number means, and what decided it: the environment variable when it is
// set (tests, services, experts), else the device the settings file chose, else /dev/ttyS<n-1>.
#pragma once

#include <array>
#include <string>

namespace vantdev {

inline constexpr int kComPorts = 4;  // COM1..COM4, as the programs offer them

enum class PortSource { Environment, Settings, Default };

struct PortChoice {
    int port = 0;      // 1..4
    std::string path;  // empty when the variable is set but empty
    PortSource source = PortSource::Default;
    std::string variable;  // the variable that would decide: VANTLINK_COM1
};

// configured[n-1] is COM<n>'s device from the settings file, empty for none.
PortChoice port_choice(const std::string& variable_prefix, int port, const std::string& configured);
std::array<PortChoice, kComPorts> port_choices(
    const std::string& variable_prefix, const std::array<std::string, kComPorts>& configured);

}  // namespace vantdev
