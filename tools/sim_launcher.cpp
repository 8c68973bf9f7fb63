#include "sim_launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace simlaunch {

void stop_child(pid_t pid, std::chrono::milliseconds grace) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
namespace {

constexpr int kStartTimeoutMs = 10000;

bool read_ready_line(int fd, std::string& line) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char c;
        if (read(fd, &c, 1) != 1) return false;
        if (c == '\n') return true;
        line += c;
    }
    return false;
}

}  // namespace

std::string termsim_path() {
    if (const char* path = std::getenv("TERMSIM"); path != nullptr && *path != '\0') return path;
    // Installed, termsim sits beside the program that starts it (linkbench).
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto beside = self.parent_path() / "termsim";
        if (access(beside.c_str(), X_OK) == 0) return beside.string();
    }
#ifdef TERMSIM_BUILT_PATH
    return TERMSIM_BUILT_PATH;
#else
    return "termsim";
#endif
}

std::unique_ptr<SimProcess> SimProcess::start(const std::string& link,
                                              const std::vector<std::string>& args,
                                              std::string* error) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return nullptr;
    std::vector<std::string> argv_text = {termsim_path(), "--link", link};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(argv_text.size() + 1);
    for (auto& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        if (error) *error = "cannot run " + argv_text[0];
        return nullptr;
    }
    std::string line;
    if (!read_ready_line(out[0], line)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(out[0]);
        if (error) *error = "termsim did not get ready";
        return nullptr;
    }
    return std::unique_ptr<SimProcess>(new SimProcess(pid, out[0], link));
}

int SimProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const pid_t done = waitpid(pid_, &status, 0);
    pid_ = -1;
    close(out_fd_);
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SimProcess::~SimProcess() {
    stop();
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vantlink-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace simlaunch
