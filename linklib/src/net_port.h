// A port on a serial device server: tcp://HOST:PORT (raw bytes) or rfc2217://HOST:PORT (Telnet
// with COM port control).
#pragma once

#include <memory>
#include <string>

#include "serial_port.h"
#include "transport.h"

namespace vantlink {

// Connects within the link time-out (at least kMinConnectMs) and, for rfc2217://, sets the
// line; nullptr with the reason in reason when the URL is bad or the server cannot be reached.
std::unique_ptr<Transport> open_network_port(const std::string& url, const std::string& name,
                                             const LineSettings& settings, std::string& reason);

// The shortest time one connect attempt is given, whatever the time-out setting.
inline constexpr int kMinConnectMs = 500;

}  // namespace vantlink
