#include "ser2net_launcher.h"

#include "sim_launcher.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace simlaunch {
namespace {

constexpr auto kListenTimeout = std::chrono::seconds(5);
constexpr auto kStopGrace = std::chrono::seconds(3);

std::string read_all(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string ser2net_path() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(std::string(path != nullptr ? path : "") +
                               ":/usr/sbin:/usr/local/sbin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (folder.empty()) continue;
        std::string candidate = folder + "/ser2net";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

int free_local_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

bool listening(int port) {
    char wanted[48];
    (void)std::snprintf(wanted, sizeof wanted, " 0100007F:%04X 00000000:0000 0A ", port);
    std::ifstream table("/proc/net/tcp");
    for (std::string line; std::getline(table, line);) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

Ser2netServer::Ser2netServer(const std::string& folder, const std::string& device, int baud,
                             bool tuned)
    : config_(folder + "/ser2net.yaml"), log_(folder + "/ser2net.log") {
    // Tuned: chardelay off (by default ser2net holds what the device sends for two character
    // times, at least 1 ms, to fill bigger packets), nodelay on the socket (else an answer that
    // leaves in pieces waits for the host's delayed ACK, up to 40 ms), and a new client takes
    // the line from an old one. Never mDNS: nothing reaches beyond this run.
    const std::string tcp = tuned ? "tcp(nodelay)," : "tcp,";
    std::string options = "  options:\n    mdns: false\n";
    if (tuned) options += "    kickolduser: true\n    chardelay: false\n";
    const std::string connector =
        "  connector: serialdev," + device + "," + std::to_string(baud) + "n81,local\n";
    std::ofstream(config_) << "%YAML 1.1\n---\n"
                           << "connection: &raw\n  accepter: " << tcp << "127.0.0.1," << raw_port_
                           << "\n"
                           << connector << options << "connection: &rfc2217\n"
                           << "  accepter: telnet(rfc2217)," << tcp << "127.0.0.1," << telnet_port_
                           << "\n"
                           << connector << options;
}

std::string Ser2netServer::start() {
    stop();
    const std::string program = ser2net_path();
    if (program.empty()) return "ser2net is not installed";
    if (raw_port_ == 0 || telnet_port_ == 0) return "no free local port";
    // -n: in the foreground; -d: its log to standard output; -u: no UUCP locks; -c: this
    // configuration alone.
    std::vector<std::string> words = {program, "-n", "-d", "-u", "-c", config_};
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // In the caller's process group, so a Ctrl-C that ends the caller ends it too.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    if (pid_ < 0) return "cannot run " + program;
    const auto deadline = std::chrono::steady_clock::now() + kListenTimeout;
    while (!(listening(raw_port_) && listening(telnet_port_))) {
        const bool ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (ended || std::chrono::steady_clock::now() > deadline) {
            if (ended) pid_ = -1;  // reaped: its id may already be another process's
            stop();
            return "ser2net did not listen on 127.0.0.1:" + std::to_string(raw_port_) + " and " +
                   std::to_string(telnet_port_) + ": " + read_all(log_);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

void Ser2netServer::stop() {
    stop_child(pid_, kStopGrace);
    pid_ = -1;
}

}  // namespace simlaunch
