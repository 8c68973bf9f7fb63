// vantctl ports and the device choice: the environment, ./Vantcom.ini's [Ports] and --device.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "vantctl_fixture.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;

// The JSON line of the row for path.
std::string row_of(const std::string& json, const std::string& path) {
    const auto at = json.find("{\"path\":\"" + path + "\"");
    return at == std::string::npos ? "" : json.substr(at, json.find('\n', at) - at);
}

class VantctlPorts : public vantctl_test::VantctlFixture {
protected:
    // A child that opens path and locks it as the library does, until it is killed.
    pid_t hold(const std::string& path) {
        int ready[2];
        if (pipe(ready) != 0) return -1;
        const pid_t child = fork();
        if (child == 0) {
            const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
            prctl(PR_SET_NAME, "portholder");
            if (fd >= 0 && flock(fd, LOCK_EX) == 0 && write(ready[1], "x", 1) == 1) pause();
            _exit(1);
        }
        close(ready[1]);
        EXPECT_EQ(read(ready[0], ready, 1), 1);
        close(ready[0]);
        return child;
    }
};

TEST_F(VantctlPorts, EachComShowsItsDeviceAndCommandsReachTheChosenOne) {
    start_sim({"A"});
    const std::string com2 = dir_.file("com2"), com3 = dir_.file("com3");
    vantctl_test::write_file(dir_.file("records"), "r1\n");
    const auto sim2 = simlaunch::SimProcess::start(
        com2, {"--baud", "57600", "--terminal", "A,records=" + dir_.file("records")});
    const auto sim3 = simlaunch::SimProcess::start(com3, {"--baud", "57600", "--terminal", "A"});
    ASSERT_TRUE(sim2 && sim3);
    vantctl_test::write_file(dir_.file("Vantcom.ini"), "[Ports]\r\nCOM2=" + com2 + "\r\n");
    const pid_t holder = hold(dir_.file("com1"));

    const ProcessRun ports =
        vantctl("--port 3 --device " + com3 + " ports --json", "VANTLINK_COM3=/nonexistent");
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(ports.status, 0) << ports.err;
    const std::string com1_row = row_of(ports.out, dir_.file("com1"));
    EXPECT_TRUE(contains(com1_row, "\"COM1\",\"source\":\"environment\"}],\"state\":\"busy\""))
        << ports.out;
    EXPECT_TRUE(contains(com1_row, "{\"name\":\"portholder\",\"pid\":" + std::to_string(holder)));
    EXPECT_TRUE(contains(row_of(ports.out, com2), "\"COM2\",\"source\":\"Vantcom.ini\"}]"));
    EXPECT_TRUE(contains(row_of(ports.out, com3), "\"--device\"}],\"state\":\"free\""));
    EXPECT_FALSE(contains(ports.out, "/nonexistent"));

    const ProcessRun poll = fast("--port 2 poll A");
    EXPECT_EQ(poll.status == 0 ? poll.out : poll.err, "A r1\r\n");
    EXPECT_EQ(
        vantctl("--baud 57600 --port 3 --device " + com3 + " id A", "VANTLINK_COM3=/nonexistent")
            .status,
        0);
    EXPECT_EQ(fast("--device '' running A").status, 2);
}

}  // namespace
