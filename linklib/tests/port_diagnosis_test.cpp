// Why a port would not open: the reason line that the trace, vantctl, the host and tembra share.
#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "port_diagnosis.h"
#include "pty_peer.h"
#include "serial_port.h"
#include "vantlink.h"

using namespace linktest;

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/portdiag.XXXXXX";
        path_ = mkdtemp(pattern);
        // Reachable by the unprivileged child of the permission test.
        chmod(path_.c_str(), 0755);
    }
    ~ScratchFolder() {
        const std::string command = "rm -rf '" + path_ + "'";
        (void)!std::system(command.c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The library's trace goes to a file of this program, named before the library first looks.
struct TraceFile {
    const std::string path = "/tmp/portdiag-trace." + std::to_string(getpid());
    TraceFile() { setenv("VANTLINK_TRACE", path.c_str(), 1); }
    ~TraceFile() { unlink(path.c_str()); }
    std::string last_open_error(const std::string& port_name) const {
        const std::string mark = " ! " + port_name + " open error: ";
        std::ifstream in(path);
        std::string found;
        for (std::string line; std::getline(in, line);)
            if (line.find(mark) != std::string::npos)
                found = line.substr(line.find(mark) + mark.size());
        return found;
    }
};
const TraceFile trace_file;

std::string make_file(const std::string& path, mode_t mode) {
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
    chmod(path.c_str(), mode);
    return path;
}

std::string group_name_of(gid_t gid) {
    const group* entry = getgrgid(gid);
    return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

// The reason for path as an unprivileged user sees it: root drops to nobody in a child first.
std::string diagnose_without_privilege(const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(1);
        }
        const std::string reason = vantlink::diagnose_port_open(path);
        (void)!write(channel[1], reason.data(), reason.size());
        _exit(0);
    }
    close(channel[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, got);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? reason : "child could not drop root";
}

}  // namespace

TEST(LinkPortDiagnosis, MissingDeviceNamesThePathTried) {
    const std::string missing = "/nonexistent/ttyUSB7";
    EXPECT_EQ(vantlink::probe_port_open(missing), ENOENT);
    EXPECT_EQ(vantlink::diagnose_port_open(missing), "No such device: " + missing);

    int error = 0;
    EXPECT_EQ(vantlink::open_serial_port(missing, "COM4", {}, &error), nullptr);
    EXPECT_EQ(vantlink::port_open_reason(missing, error), "No such device: " + missing);
    EXPECT_EQ(vantlink::diagnose_port_open(""), "") << "no path, nothing to examine";

    setenv("VANTLINK_COM4", missing.c_str(), 1);
    EXPECT_EQ(vantlink::port_device_path("VANTLINK_COM", 4), missing);
    EXPECT_EQ(HM_OpenCommPort(4, 6, 8, 0, 1), 0);
    unsetenv("VANTLINK_COM4");
    EXPECT_EQ(vantlink::port_device_path("VANTLINK_COM", 4), "/dev/ttyS3");
    EXPECT_EQ(vantlink::port_device_path("VANTLINK_COM", 0), "");
}

TEST(LinkPortDiagnosis, PermissionDeniedNamesTheGroupThatOwnsTheDevice) {
    ScratchFolder folder;
    // Group members may use the first; only its owner the second.
    const std::string shared = make_file(folder.file("shared"), 0660);
    const std::string owners = make_file(folder.file("owners"), 0600);
    struct stat made {};
    ASSERT_EQ(stat(shared.c_str(), &made), 0);
    gid_t group_id = made.st_gid;
    if (geteuid() == 0) {
        const group* dialout = getgrnam("dialout");
        group_id = dialout != nullptr ? dialout->gr_gid : 20;
        ASSERT_EQ(chown(shared.c_str(), 0, group_id), 0);
    } else {
        // The owner is refused before the group is looked at: a file of our own with no owner
        // bits stands in for a device of a group we are not in.
        chmod(shared.c_str(), 0060);
        chmod(owners.c_str(), 0000);
        if (access(shared.c_str(), R_OK) == 0) GTEST_SKIP() << "file modes are not enforced";
    }
    const std::string name = group_name_of(group_id);
    EXPECT_EQ(diagnose_without_privilege(shared),
              "Permission denied on " + shared + ": add the user to the group " + name +
                  " (sudo usermod -aG " + name + " $USER) and log in again");
    EXPECT_EQ(diagnose_without_privilege(owners),
              "Permission denied on " + owners + ": only its owner may open it");
    EXPECT_EQ(vantlink::port_open_reason(owners, EPERM).rfind("Permission denied on ", 0), 0u);
}

TEST(LinkPortDiagnosis, DeviceHeldByAnotherOpenerIsInUse) {
    PtyPeer peer(3);
    const int holder = open(peer.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const std::string in_use = peer.slave_path() + " is in use by another program";
    EXPECT_EQ(vantlink::diagnose_port_open(peer.slave_path()), in_use);
    int error = 0;
    EXPECT_EQ(vantlink::open_serial_port(peer.slave_path(), "COM3", {}, &error), nullptr);
    EXPECT_EQ(vantlink::port_open_reason(peer.slave_path(), error), in_use);
    EXPECT_EQ(vantlink::port_open_reason(peer.slave_path(), EBUSY), in_use) << "TIOCEXCL";
    EXPECT_EQ(HM_OpenCommPort(3, 6, 8, 0, 1), 0);

    close(holder);
    EXPECT_EQ(vantlink::diagnose_port_open(peer.slave_path()), "") << "free again";
    ASSERT_EQ(HM_OpenCommPort(3, 6, 8, 0, 1), 1);
    HM_CloseCommPort(3);
}

// Another program holds the device: the reason names it, and points the operator at the README
// when it is the desktop's modem manager.
TEST(LinkPortDiagnosis, ReasonNamesTheProgramThatHoldsTheDevice) {
    const std::string modem_manager =
        "; the desktop's modem manager is probing the adapter: see \"Real hardware\" in the "
        "README to make it leave the adapter alone";
    for (const auto& [name, hint] : std::vector<std::pair<std::string, std::string>>{
             {"vantholder", ""}, {"ModemManager", modem_manager}}) {
        PtyPeer peer(3);
        int ready[2], release[2];
        ASSERT_EQ(pipe(ready) | pipe(release), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(release[1]);  // a parent that fails early still lets the child go
            prctl(PR_SET_NAME, name.c_str());
            const int fd = open(peer.slave_path().c_str(), O_RDWR | O_NOCTTY);
            char status = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
            (void)!write(ready[1], &status, 1);
            (void)!read(release[0], &status, 1);
            _exit(0);
        }
        char status = 0;
        ASSERT_EQ(read(ready[0], &status, 1) == 1 ? status : 'n', 'y');
        const std::string reason = peer.slave_path() + " is in use by another program: " + name +
                                   " (process " + std::to_string(child) + ")" + hint;
        EXPECT_EQ(vantlink::diagnose_port_open(peer.slave_path()), reason);
        EXPECT_EQ(HM_OpenCommPort(3, 6, 8, 0, 1), 0);
        EXPECT_EQ(trace_file.last_open_error("COM3"), reason);
        for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
        waitpid(child, nullptr, 0);
    }
}

// The variable, else the caller's device, else the default; an open port keeps its device.
TEST(LinkPortDiagnosis, DeviceNamedByTheCaller) {
    const std::string longest(4095, 'x'), too_long(4096, 'y');
    struct Row {
        int32_t port;
        const char *device, *variable;
        int32_t result;
        std::string path;  // of COM2 afterwards
    };
    for (const Row& row : std::vector<Row>{{2, "/dev/ttyUSB0", nullptr, 1, "/dev/ttyUSB0"},
                                           {2, "/dev/ttyUSB0", "/dev/ttyACM1", 1, "/dev/ttyACM1"},
                                           {2, nullptr, nullptr, 1, "/dev/ttyS1"},
                                           {2, "/dev/ttyUSB0", nullptr, 1, "/dev/ttyUSB0"},
                                           {2, "", nullptr, 1, "/dev/ttyS1"},
                                           {2, longest.c_str(), nullptr, 1, longest},
                                           {2, too_long.c_str(), nullptr, 0, longest},
                                           {-1, "/dev/ttyUSB1", nullptr, 0, longest},
                                           {5, "/dev/ttyUSB1", nullptr, 0, longest}}) {
        if (row.variable != nullptr)
            setenv("VANTLINK_COM2", row.variable, 1);
        else
            unsetenv("VANTLINK_COM2");
        EXPECT_EQ(HC_set_port_device(row.port, row.device), row.result) << row.path;
        EXPECT_EQ(vantlink::device_path_for_port(2), row.path);
    }
    PtyPeer first(2), second(2);
    unsetenv("VANTLINK_COM2");
    HC_set_port_device(2, first.slave_path().c_str());
    // Named the second while open on the first: the port holds the first until it opens again.
    for (const PtyPeer* opened : {&first, &second}) {
        ASSERT_EQ(HM_OpenCommPort(2, 6, 8, 0, 1), 1);
        HC_set_port_device(2, second.slave_path().c_str());
        EXPECT_EQ(vantlink::diagnose_port_open(first.slave_path()) == "", opened != &first);
        EXPECT_EQ(vantlink::diagnose_port_open(second.slave_path()) == "", opened != &second);
    }
    HM_CloseCommPort(2);
    HC_set_port_device(2, nullptr);
}

TEST(LinkPortDiagnosis, OtherFailuresGiveTheSystemsOwnWords) {
    ScratchFolder folder;
    const std::string plain = make_file(folder.file("plain"), 0600), fifo = folder.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // opened for reading and writing: never waits
    std::vector<std::pair<std::string, std::string>> rows = {
        {plain, plain + " is not a serial device"},
        {folder.file("none"), "No such device: " + folder.file("none")},
        {folder.path(), folder.path() + " is not a serial device"},
        {fifo, fifo + " is not a serial device"},
        {"/dev/null", "/dev/null is not a serial device"}};
    if (access("/dev/ttyS3", F_OK) != 0) rows.emplace_back("", "No such device: /dev/ttyS3");
    unsetenv("VANTLINK_COM4");
    for (const auto& [device, reason] : rows) {
        ASSERT_EQ(HC_set_port_device(4, device.c_str()), 1);
        EXPECT_EQ(HM_OpenCommPort(4, 6, 8, 0, 1), 0) << device;
        EXPECT_EQ(trace_file.last_open_error("COM4"), reason);
        EXPECT_EQ(vantlink::diagnose_port("VANTLINK_COM", 4, device), reason);
    }
    HC_set_port_device(4, nullptr);

    PtyPeer peer(3);
    int error = 0;
    EXPECT_EQ(vantlink::open_serial_port(peer.slave_path(), "COM3",
                                         vantlink::line_settings_from_codes(6, 9, 0, 1), &error),
              nullptr);
    EXPECT_EQ(error, EINVAL) << "a byte size no line takes";
    EXPECT_EQ(vantlink::port_open_reason("/dev/ttyS0", EIO),
              std::string("/dev/ttyS0: ") + std::strerror(EIO));
}
