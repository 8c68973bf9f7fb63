#include "children.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "sim_launcher.h"
#include "vantlink.h"

namespace bench {
namespace {

volatile sig_atomic_t g_stop = 0;

void on_stop_signal(int) {
    g_stop = 1;
    HM_set_cancel(1);
}

}  // namespace

void install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stop_requested() {
    return g_stop != 0;
}

bool pause_for(double seconds) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::duration<double>(seconds));
    while (!stop_requested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            end - now, std::chrono::milliseconds(50)));
    }
    return false;
}

long raise_descriptor_limit(long wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    if (limit.rlim_cur != RLIM_INFINITY && static_cast<long>(limit.rlim_cur) < wanted) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY
                             ? static_cast<rlim_t>(wanted)
                             : std::min(limit.rlim_max, static_cast<rlim_t>(wanted));
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? LONG_MAX : static_cast<long>(limit.rlim_cur);
}

bool Child::start(const std::vector<std::string>& argv, const std::string& folder,
                  const std::vector<std::string>& environment, const std::string& log,
                  std::string& error) {
    stop();
    // The report pipe closes on exec; a byte on it is the errno of a failed exec.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (pid == 0) {
        close(report[0]);
        // A benchmark killed outright must not leave its pollers running.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        // Its own group: a Ctrl-C reaches the benchmark, which stops the child in turn.
        setpgid(0, 0);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        if (in >= 0) dup2(in, STDIN_FILENO);
        int failed = 0;
        if (chdir(folder.c_str()) != 0) failed = errno;
        for (const auto& entry : environment) putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (failed == 0) {
            execv(args[0], args.data());
            failed = errno;
        }
        (void)!write(report[1], &failed, sizeof failed);
        _exit(127);
    }
    close(report[1]);
    int failed = 0;
    const bool exec_failed = read(report[0], &failed, sizeof failed) == sizeof failed;
    close(report[0]);
    pid_ = pid;
    if (exec_failed) {
        stop();
        error = "cannot run " + argv[0] + ": " + std::strerror(failed);
        return false;
    }
    return true;
}

bool Child::running() {
    if (pid_ <= 0) return false;
    if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
}

void Child::ask_to_stop() {
    if (pid_ > 0) kill(pid_, SIGTERM);
}

void Child::stop(double grace_s) {
    simlaunch::stop_child(pid_, std::chrono::milliseconds(static_cast<int64_t>(grace_s * 1000)));
    pid_ = -1;
}

double process_cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (pid <= 0 || !std::getline(in, text)) return -1;
    // The name in parentheses may hold blanks: the fields are counted after its end.
    const auto end = text.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // State is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string find_program(const std::string& given, const std::string& name,
                         const std::string& sub_folder) {
    if (!given.empty()) return access(given.c_str(), X_OK) == 0 ? given : std::string();
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    // Installed, the programs are beside linkbench; in the build tree, each in its folder.
    const std::filesystem::path folder =
        std::filesystem::path(std::string(self, static_cast<size_t>(n))).parent_path();
    for (const auto& candidate : {folder / name, folder.parent_path() / sub_folder / name}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

}  // namespace bench
