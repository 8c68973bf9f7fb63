// Runs ser2net as a serial device server in front of a device (termsim's line) for tests and
// the benchmark: on 127.0.0.1, with a configuration of its own (never the system's), awaited
// until it listens and stopped by its process id.
#pragma once

#include <sys/types.h>

#include <string>

namespace simlaunch {

// The ser2net program on PATH or in an sbin folder, which a user's PATH often leaves out;
// empty when it is not installed.
std::string ser2net_path();

// A port on 127.0.0.1 that nobody used a moment ago: bound as port 0, learned, released
// (another program could take it before ser2net does: the start then reports it). 0: none.
int free_local_port();

// Whether a socket listens on 127.0.0.1:port. Read from the kernel's table: a probing
// connection would make ser2net open the device.
bool listening(int port);

// One ser2net offering device at baud as a raw byte stream (tcp://) and as Telnet with COM port
// control (rfc2217://), each on a free local port; its configuration and log in folder.
class Ser2netServer {
public:
    // tuned: set for a stop-and-wait exchange, as a benchmark wants it (see the .cpp).
    Ser2netServer(const std::string& folder, const std::string& device, int baud,
                  bool tuned = false);
    ~Ser2netServer() { stop(); }
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // Starts it (again, on the same ports) and waits until both ports listen; empty, or why not.
    std::string start();
    // SIGTERM, then SIGKILL after 3 s; returns once it is reaped.
    void stop();

    std::string tcp_url() const { return "tcp://127.0.0.1:" + std::to_string(raw_port_); }
    std::string rfc2217_url() const {
        return "rfc2217://127.0.0.1:" + std::to_string(telnet_port_);
    }
    const std::string& log() const { return log_; }

private:
    std::string config_, log_;
    int raw_port_ = free_local_port();
    int telnet_port_ = free_local_port();
    pid_t pid_ = -1;
};

}  // namespace simlaunch
