// Starts termsim as a child process on a fresh link and stops it again, for tests and the
// benchmark. Start-up is awaited by reading the line termsim prints once ready; nothing sleeps.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace simlaunch {

// Asks a child to end with SIGTERM, kills it after grace, and reaps it.
void stop_child(pid_t pid, std::chrono::milliseconds grace);

class SimProcess {
public:
    // Runs termsim with --link LINK and args; nullptr (and why, in error) when it did not start.
    static std::unique_ptr<SimProcess> start(const std::string& link,
                                             const std::vector<std::string>& args,
                                             std::string* error = nullptr);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& link() const { return link_; }
    pid_t pid() const { return pid_; }
    // Stops it with SIGTERM and returns its exit status (or -1).
    int stop();

private:
    SimProcess(pid_t pid, int out_fd, std::string link)
        : pid_(pid), out_fd_(out_fd), link_(std::move(link)) {}
    pid_t pid_;
    int out_fd_;
    std::string link_;
};

// The termsim binary: $TERMSIM when set, else the one this build made.
std::string termsim_path();

// A fresh folder under $TMPDIR (or /tmp), removed with its content by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace simlaunch
