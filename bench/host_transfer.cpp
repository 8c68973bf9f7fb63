#include "host_transfer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "children.h"
#include "sim_launcher.h"

namespace bench {
namespace {

constexpr const char* kTerminalFile = "BENCH.BIN";
constexpr int kRunLimitSeconds = 600;
// termsim notes a transfer's end once it has read the host's last ACK, which a loaded machine
// may let it read only after vantrel has exited.
constexpr auto kEndEventWait = std::chrono::seconds(3);
constexpr const char* kResultLog = "ERR_LOG.TXT";

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_settings(const std::string& folder, int baud) {
    std::ofstream(folder + "/Vantcom.ini")
        << "[Communication]\r\nPort=1\r\nBaudRate=" << baud
        << "\r\nTerminal_type=KD31/KD32\r\nAddress=A\r\nErrorLog=New\r\n"
           "[Multi_upload]\r\nUpload_Save_Mode=Over-write\r\n"
           "[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\nSHOW_ERROR_BOX=No\r\n";
}

// Runs vantrel with args in folder, unattended; its exit status, or -1 when it had to be
// stopped or could not start.
int run_vantrel(const std::string& vantrel, const std::string& folder, const std::string& link,
                const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        // Qt's notes would break the table; they stay in the run's folder.
        const int log = open("vantrel.log", O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        unlink(kResultLog);  // each run's result alone
        setenv("VANTLINK_COM1", link.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(vantrel.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(vantrel.c_str(), argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kRunLimitSeconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline || stop_requested()) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Milliseconds of the first trace event that holds text, or -1.
long long event_ms(const std::string& trace, const std::string& text) {
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find(" # ") == std::string::npos || line.find(text) == std::string::npos) continue;
        return std::atoll(line.c_str());
    }
    return -1;
}

// vantrel's result line for the command, from its error log: it exits 0 also after a command
// that failed.
std::string result_line(const std::string& folder) {
    std::istringstream lines(read_all(folder + "/" + kResultLog));
    std::string last;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) last = line;
    }
    return last;
}

HostTransfer timed(const std::string& trace_path, const std::string& folder,
                   const std::string& started, const std::string& ended, int status) {
    HostTransfer t;
    if (status != 0) {
        t.problem = "vantrel exit status " + std::to_string(status);
        return t;
    }
    const std::string result = result_line(folder);
    if (result.find(" Successfully") == std::string::npos) {
        t.problem = "vantrel: " + (result.empty() ? std::string("no result logged") : result);
        return t;
    }
    const auto give_up = std::chrono::steady_clock::now() + kEndEventWait;
    std::string trace = read_all(trace_path);
    while (event_ms(trace, ended) < 0 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        trace = read_all(trace_path);
    }
    const long long from = event_ms(trace, started);
    const long long to = event_ms(trace, ended);
    if (from < 0 || to < from) {
        t.problem = "vantrel logged success, yet the terminal saw no whole transfer";
        return t;
    }
    t.seconds = (to - from) / 1000.0;
    t.completed = true;
    return t;
}

}  // namespace

std::optional<std::string> find_vantrel(const std::string& given) {
    if (!given.empty())
        return access(given.c_str(), X_OK) == 0 ? std::optional(given) : std::nullopt;
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return std::nullopt;
    // Installed, vantrel is beside linkbench; in the build tree, in host/.
    const std::filesystem::path folder =
        std::filesystem::path(std::string(self, static_cast<size_t>(n))).parent_path();
    for (const auto& candidate : {folder / "vantrel", folder.parent_path() / "host" / "vantrel"}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

HostTransfers run_host_transfers(const std::string& vantrel, int baud, const std::string& content) {
    HostTransfers result;
    simlaunch::TempDir dir;
    std::filesystem::create_directories(dir.file("store/ram"));
    const std::string trace = dir.file("terminal.trace");
    std::string error;
    auto sim = simlaunch::SimProcess::start(dir.file("com1"),
                                            {"--baud", std::to_string(baud), "--trace", trace,
                                             "--terminal", "A,store=" + dir.file("store")},
                                            &error);
    if (!sim) {
        result.download.problem = result.upload.problem = "termsim: " + error;
        return result;
    }
    write_settings(dir.path(), baud);
    const std::string local = dir.file("bench.bin");
    std::ofstream(local, std::ios::binary) << content;

    const int down =
        run_vantrel(vantrel, dir.path(), sim->link(), {"A", "L", local, kTerminalFile});
    result.download = timed(trace, dir.path(), std::string("A: download started: ") + kTerminalFile,
                            std::string("A: file stored: ") + kTerminalFile, down);

    const std::string copy = dir.file("copy.bin");
    const int up = run_vantrel(vantrel, dir.path(), sim->link(), {"A", "U", kTerminalFile, copy});
    result.upload = timed(trace, dir.path(), std::string("A: upload started: ") + kTerminalFile,
                          std::string("A: upload finished: ") + kTerminalFile, up);
    if (result.upload.completed && read_all(copy) != content) {
        result.upload.completed = false;
        result.upload.problem = "the uploaded copy differs";
    }
    return result;
}

}  // namespace bench
