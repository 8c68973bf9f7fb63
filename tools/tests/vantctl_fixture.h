// Runs vantctl as a process against termsim on a fresh link in a temporary folder.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim_launcher.h"

namespace vantctl_test {

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct ProcessRun {
    int status = -1;
    std::string out, err;
};

class VantctlFixture : public ::testing::Test {
protected:
    // Starts termsim at 57600 baud with a trace of its events; extra goes before the terminals.
    void start_sim(const std::vector<std::string>& terminals,
                   const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"--baud", "57600", "--trace", trace_path()};
        args.insert(args.end(), extra.begin(), extra.end());
        for (const auto& terminal : terminals) args.insert(args.end(), {"--terminal", terminal});
        std::string error;
        sim_ = simlaunch::SimProcess::start(dir_.file("com1"), args, &error);
        ASSERT_TRUE(sim_) << error;
    }

    // Runs vantctl in the temporary folder with the link as COM1; args are shell words.
    ProcessRun vantctl(const std::string& args, const std::string& env = "") {
        ProcessRun run = run_vantctl(args, env, dir_.file("stdout"));
        run.out = read_file(dir_.file("stdout"));
        return run;
    }

    // As vantctl, with standard output on a pseudo-terminal in raw mode (bytes pass unchanged).
    // The output must fit the terminal's buffer (a few kilobytes): it is read once vantctl ended.
    ProcessRun vantctl_on_terminal(const std::string& args) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return {};
        }
        const std::string slave_path = ptsname(master);
        const int slave = open(slave_path.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        ProcessRun run = run_vantctl("--baud 57600 " + args, "", slave_path);
        // With the last slave closed the master hands out what is left, then reports EIO.
        close(slave);
        char buffer[4096];
        for (pollfd ready{master, POLLIN, 0}; poll(&ready, 1, 5000) > 0;) {
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0) break;
            run.out.append(buffer, static_cast<size_t>(got));
        }
        close(master);
        return run;
    }

    ProcessRun fast(const std::string& args) { return vantctl("--baud 57600 " + args); }

    // As fast, with standard output to out_path (such as /dev/full); out stays empty.
    ProcessRun fast_to(const std::string& args, const std::string& out_path) {
        return run_vantctl("--baud 57600 " + args, "", out_path);
    }

    std::string trace_path() const { return dir_.file("sim-trace.txt"); }
    std::string trace() const { return read_file(trace_path()); }

    simlaunch::TempDir dir_;
    std::unique_ptr<simlaunch::SimProcess> sim_;

private:
    // The exit status and standard error of one run with standard output to out_path.
    ProcessRun run_vantctl(const std::string& args, const std::string& env,
                           const std::string& out_path) {
        const std::string err = dir_.file("stderr");
        const std::string command =
            "cd '" + dir_.path() + "' && VANTLINK_COM1='" + dir_.file("com1") + "' " + env + " '" +
            std::string(VANTCTL_PATH) + "' " + args + " >'" + out_path + "' 2>'" + err + "'";
        ProcessRun run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.err = read_file(err);
        return run;
    }
};

}  // namespace vantctl_test
