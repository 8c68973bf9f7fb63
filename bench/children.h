// Child processes the benchmark starts besides termsim: started so that they die with it,
// stopped by process id, and their CPU time read from /proc. A Ctrl-C (SIGINT) or SIGTERM only
// asks the benchmark to stop; every row then ends early and stops what it started.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

// Installs the handlers for SIGINT and SIGTERM; they also cancel the link library's waits.
void install_stop_handlers();
bool stop_requested();
// Sleeps up to seconds, less when a stop is asked for; false then.
bool pause_for(double seconds);

// Lets this process open at least `wanted` descriptors, as far as the hard limit allows;
// the limit it has then.
long raise_descriptor_limit(long wanted);

// A program run in folder with extra environment entries (NAME=VALUE), its output to log.
class Child {
public:
    Child() = default;
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False, with why in error, when it could not be started.
    bool start(const std::vector<std::string>& argv, const std::string& folder,
               const std::vector<std::string>& environment, const std::string& log,
               std::string& error);
    pid_t pid() const { return pid_; }
    // True while it runs (reaps it once it has ended).
    bool running();
    // Sends SIGTERM and returns: many children end side by side before stop() waits for each.
    void ask_to_stop();
    // SIGTERM, then SIGKILL after grace_s; returns once it is reaped.
    void stop(double grace_s = 5);

private:
    pid_t pid_ = -1;
};

// User and system CPU seconds of a running process (all its threads), from /proc; -1 when gone.
double process_cpu_seconds(pid_t pid);

// The program named: the one given, else the one beside linkbench or in its build folder
// (sub_folder of the build), else empty.
std::string find_program(const std::string& given, const std::string& name,
                         const std::string& sub_folder);

}  // namespace bench
