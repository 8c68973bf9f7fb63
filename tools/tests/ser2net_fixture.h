// Serves termsim's line on the network through ser2net, started in the foreground with a
// configuration of its own in the test's folder and stopped by its process id.
#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "port_diagnosis.h"
#include "vantctl_fixture.h"

namespace ser2net_test {

// ser2net lives in an sbin folder, which a user's PATH often leaves out; empty when missing.
inline std::string ser2net_path() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/local/sbin/ser2net", "/usr/bin/ser2net"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return "";
}

// A port on 127.0.0.1 that nobody used a moment ago: bound as port 0, learned, released.
inline int free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

// Whether a socket listens on 127.0.0.1:port. Read from the kernel's table: a probing connection
// would make ser2net open the device.
inline bool listening(int port) {
    char wanted[48];
    (void)std::snprintf(wanted, sizeof wanted, " 0100007F:%04X 00000000:0000 0A ", port);
    std::ifstream table("/proc/net/tcp");
    for (std::string line; std::getline(table, line);) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

// One ser2net offering the device as a raw byte stream and as Telnet with COM port control.
class Ser2net {
public:
    Ser2net(const simlaunch::TempDir& dir, const std::string& device)
        : config_(dir.file("ser2net.yaml")), log_(dir.file("ser2net.log")) {
        const std::string connector = "    connector: serialdev," + device + ",9600n81,local\n";
        vantctl_test::write_file(config_, "connection: &raw\n    accepter: tcp,127.0.0.1," +
                                              std::to_string(raw_port_) + "\n" + connector +
                                              "connection: &rfc2217\n"
                                              "    accepter: telnet(rfc2217),tcp,127.0.0.1," +
                                              std::to_string(telnet_port_) + "\n" + connector);
    }
    ~Ser2net() { stop(); }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    std::string tcp_url() const { return "tcp://127.0.0.1:" + std::to_string(raw_port_); }
    std::string rfc2217_url() const {
        return "rfc2217://127.0.0.1:" + std::to_string(telnet_port_);
    }

    // Starts it (again, on the same ports) and waits until both ports listen; empty or why not.
    std::string start() {
        // -n: no detaching, -d: its log to standard output, -u: no lock files in /var.
        const std::string program = ser2net_path();
        char* const argv[] = {const_cast<char*>(program.c_str()),
                              const_cast<char*>("-n"),
                              const_cast<char*>("-d"),
                              const_cast<char*>("-u"),
                              const_cast<char*>("-c"),
                              const_cast<char*>(config_.c_str()),
                              nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return pid_ = -1, "cannot run " + program;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!(listening(raw_port_) && listening(telnet_port_))) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_ ||
                std::chrono::steady_clock::now() > deadline) {
                stop();
                return "ser2net did not listen: " + vantctl_test::read_file(log_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }

    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
    }

private:
    std::string config_, log_;
    int raw_port_ = free_port();
    int telnet_port_ = free_port();
    pid_t pid_ = -1;
};

// Runs ser2net in front of termsim; skips where ser2net is not installed.
class Ser2netFixture : public vantctl_test::VantctlFixture {
protected:
    void SetUp() override {
        if (ser2net_path().empty()) GTEST_SKIP() << "ser2net is not installed";
    }

    // Starts termsim as start_sim does, then ser2net in front of its line.
    void serve(const std::vector<std::string>& terminals,
               const std::vector<std::string>& extra = {}) {
        start_sim(terminals, extra);
        server_.emplace(dir_, dir_.file("com1"));
        const std::string error = server_->start();
        ASSERT_EQ(error, "");
    }

    // vantctl with the server's URL as the device, at 57600 baud unless args say otherwise.
    // ser2net lets go of the device a moment after a client leaves, and meanwhile turns the next
    // one away with "Port's device already in use": each run waits until it has let go.
    vantctl_test::ProcessRun over(const std::string& url, const std::string& args,
                                  const std::string& env = "") {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!vantlink::port_holders(dir_.file("com1")).empty() &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return vantctl("--device '" + url + "' --baud 57600 " + args, env);
    }

    std::optional<Ser2net> server_;
};

}  // namespace ser2net_test
