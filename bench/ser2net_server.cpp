#include "ser2net_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace bench {
namespace {

constexpr int kListenTimeoutMs = 5000;

// A port nobody listens on now: the kernel's choice for port 0. Another program could take it
// before ser2net does; ser2net then fails to listen and the start reports it.
int free_local_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

// True once 127.0.0.1:port is in the listening state. Read from /proc, so no connection is
// made: one would make ser2net open the device.
bool listening(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state;
        fields >> slot >> address >> remote >> state;
        if (address == local && state == "0A") return true;
    }
    return false;
}

}  // namespace

std::string find_ser2net() {
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/usr/local/sbin";
    std::istringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (folder.empty()) continue;
        const std::string candidate = folder + "/ser2net";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::unique_ptr<Ser2netServer> Ser2netServer::start(const std::string& ser2net,
                                                    const std::string& folder,
                                                    const std::string& device, int baud,
                                                    bool telnet, std::string& error) {
    const int port = free_local_port();
    if (port < 0) {
        error = "no free local port";
        return nullptr;
    }
    const std::string name = std::string(telnet ? "rfc2217-" : "tcp-") + std::to_string(port);
    const std::string config = folder + "/" + name + ".yaml";
    // Set for a stop-and-wait exchange, which would otherwise pay on every answer: chardelay
    // off (by default ser2net holds what the device sends for two character times, at least
    // 1 ms, to fill bigger packets), and nodelay on the socket (else an answer that leaves in
    // pieces waits for the host's delayed ACK, up to 40 ms). No mDNS, no UUCP lock, no admin
    // port: nothing reaches beyond this run.
    std::ofstream(config) << "%YAML 1.1\n---\n"
                          << "connection: &bench\n"
                          << "  accepter: "
                          << (telnet ? "telnet(rfc2217),tcp(nodelay)," : "tcp(nodelay),")
                          << "127.0.0.1," << port << "\n"
                          << "  connector: serialdev," << device << "," << baud << "n81,local\n"
                          << "  options:\n"
                          << "    kickolduser: true\n"
                          << "    chardelay: false\n"
                          << "    mdns: false\n";
    auto server = std::unique_ptr<Ser2netServer>(new Ser2netServer);
    // -n: in the foreground; -u: no UUCP locks; -c: this configuration alone.
    if (!server->process_.start({ser2net, "-n", "-u", "-c", config}, folder, {},
                                folder + "/" + name + ".log", error)) {
        return nullptr;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListenTimeoutMs);
    while (!listening(port)) {
        if (!server->process_.running() || std::chrono::steady_clock::now() > end) {
            error = "ser2net did not listen on 127.0.0.1:" + std::to_string(port) + " (see " +
                    folder + "/" + name + ".log)";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    server->url_ = std::string(telnet ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port);
    return server;
}

}  // namespace bench
