// ser2net as a serial device server in front of termsim's pseudo-terminal: started on
// 127.0.0.1 with a configuration of its own (never the system's), stopped by process id.
#pragma once

#include <memory>
#include <string>

#include "children.h"

namespace bench {

class Ser2netServer {
public:
    // Serves device at baud on a free local port: raw TCP, or Telnet with RFC 2217 when telnet.
    // nullptr, with why in error, when ser2net did not start or never listened.
    static std::unique_ptr<Ser2netServer> start(const std::string& ser2net,
                                                const std::string& folder,
                                                const std::string& device, int baud, bool telnet,
                                                std::string& error);
    // The port's name for the link library: tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT.
    const std::string& url() const { return url_; }

private:
    Child process_;
    std::string url_;
};

// The ser2net program on PATH or in /usr/sbin; empty when it is not installed.
std::string find_ser2net();

}  // namespace bench
