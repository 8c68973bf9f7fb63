// vantctl as a process: the poll data file, exit status, failures and the byte trace.
#include <dlfcn.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "cli_options.h"
#include "record_text.h"
#include "vantctl_fixture.h"
#include "vantlink.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;
using vantctl_test::read_file;
using vantctl_test::write_file;

class VantctlPoll : public vantctl_test::VantctlFixture {
protected:
    void start_terminals(const std::vector<std::string>& terminals) { start_sim(terminals); }
    std::string records_file(const std::string& name, const std::vector<std::string>& lines) {
        std::string path = dir_.file(name);
        std::ofstream out(path, std::ios::binary);
        for (const auto& line : lines) out << line << "\n";
        return path;
    }
};

}  // namespace

TEST_F(VantctlPoll, RecordsGoToTheFileInPollOrderAndAppend) {
    start_terminals({"A,records=" + records_file("a", {"a1 4006381333931", "a2"}),
                     "B,records=" + records_file("b", {"b1"}), "C"});
    const std::string poll_file = dir_.file("POLL.DAT");
    std::ofstream(poll_file, std::ios::binary) << "Z old\r\n";
    const ProcessRun run = vantctl("--baud 57600 poll ABC --output '" + poll_file + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(poll_file), "Z old\r\nA a1 4006381333931\r\nB b1\r\nA a2\r\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(VantctlPoll, WithoutOutputRecordsGoToStandardOutput) {
    start_terminals({"B,records=" + records_file("b", {"only"})});
    const ProcessRun run = vantctl("--baud 57600 poll B");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "B only\r\n");
}

TEST_F(VantctlPoll, ARecordHoldingLineBreaksOrNulStaysOneWholeLineUnderItsAddress) {
    using namespace std::string_literals;
    const std::vector<std::string> records = {"a1\r\nB forged", "x\0y\\r"s};
    start_terminals({"A,escaped-records=" + records_file("a", {"a1\\r\\nB forged", "x\\0y\\\\r"})});
    const ProcessRun run = vantctl("--baud 57600 poll A --output POLL.DAT");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string text = read_file(dir_.file("POLL.DAT"));
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), records.size()) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_EQ(text.find('\0'), std::string::npos) << text;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, 2), "A ") << lines[i];
        EXPECT_EQ(opscore::record_from_line_text(lines[i].substr(2)), records[i]) << lines[i];
    }
}

TEST_F(VantctlPoll, AnswersWithOnlyOneWrongCheckCharacterAreRefused) {
    start_sim({"A,records=" + records_file("a", {"never"})}, {"--fault-check1", "1"});
    const ProcessRun run = vantctl("--baud 57600 --nak-delay 1 poll A");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    // Eleven refused answers in a row end the poll as a check failure, not a time-out.
    EXPECT_TRUE(contains(run.err, "A: Host get NAK")) << run.err;
    const std::string events = trace();
    EXPECT_TRUE(contains(events, "bad check high") && contains(events, "bad check low")) << events;
    EXPECT_FALSE(contains(events, "record acknowledged")) << events;
}

TEST_F(VantctlPoll, AMissingTerminalFailsWithItsTextButOthersAreStillPolled) {
    start_terminals({"A,records=" + records_file("a", {"kept"})});
    const ProcessRun run = vantctl("--baud 57600 --timeout 50 poll AQ");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "A kept\r\n");
    EXPECT_NE(run.err.find("Q: Time out"), std::string::npos) << run.err;
}

TEST_F(VantctlPoll, UntilIdleKeepsPollingForTheGivenTime) {
    start_terminals({"A"});
    const auto start = std::chrono::steady_clock::now();
    const ProcessRun run = vantctl("--baud 57600 poll A --until-idle 1");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_GE(took, std::chrono::seconds(1));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(VantctlPoll, TraceNamesControlBytes) {
    start_terminals({"A"});
    const std::string trace = dir_.file("trace.txt");
    const ProcessRun run = vantctl("--baud 57600 poll A", "VANTLINK_TRACE='" + trace + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string text = read_file(trace);
    EXPECT_NE(text.find(" > COM1 STX C1\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" < COM1 EOT\n"), std::string::npos) << text;
}

TEST_F(VantctlPoll, CommandLineMistakesAndAMissingPort) {
    EXPECT_EQ(vantctl("--help").status, 0);
    EXPECT_EQ(vantctl("poll").status, 2);
    EXPECT_EQ(vantctl("--port 9 poll A").status, 2);
    EXPECT_EQ(vantctl("--parity maybe poll A").status, 2);
    EXPECT_EQ(vantctl("dance").status, 2);
    const ProcessRun run = vantctl("poll A");  // nothing at the link: no termsim started
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("COM1 open error"), std::string::npos);
}

TEST_F(VantctlPoll, PortThatWillNotOpenSaysWhyInItsOutputAndTheTrace) {
    const std::string device = dir_.file("com1");
    const std::string trace = dir_.file("trace.txt");
    const std::string with_trace = "VANTLINK_TRACE='" + trace + "'";
    ProcessRun run = vantctl("poll A", with_trace);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "COM1 open error\nNo such device: " + device + "\n")) << run.err;
    EXPECT_TRUE(contains(read_file(trace), " ! COM1 open error: No such device: " + device + "\n"))
        << read_file(trace);
    // Set but empty: a slip in the set-up, never the first serial port in its place.
    run = vantctl("poll A", "VANTLINK_COM1= " + with_trace);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "COM1 open error\nVANTLINK_COM1 is set but empty")) << run.err;
    EXPECT_TRUE(contains(read_file(trace), " ! COM1 open error: no device is set (VANTLINK_COM1)"));

    // Held: another opener has the lock; the library's own open fails at the same step.
    write_file(device, "");
    const int holder = open(device.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    run = vantctl("poll A", with_trace);
    close(holder);
    EXPECT_EQ(run.status, 1);
    const std::string in_use = device + " is in use by another program";
    EXPECT_TRUE(contains(run.err, "COM1 open error\n" + in_use + "\n")) << run.err;
    EXPECT_TRUE(contains(read_file(trace), " ! COM1 open error: " + in_use + "\n"))
        << read_file(trace);
}

// root drops to nobody for the run; anyone else is refused a device of their own without owner
// bits before its group is looked at.
TEST_F(VantctlPoll, PortWithoutPermissionNamesTheGroupToJoin) {
    const std::string device = dir_.file("com1");
    const std::string trace = dir_.file("trace.txt");
    write_file(device, "");
    write_file(trace, "");
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(trace.c_str(), 0666), 0);
    ASSERT_EQ(chmod(device.c_str(), geteuid() == 0 ? 0660 : 0060), 0);
    std::string env = "VANTLINK_TRACE='" + trace + "'";
    if (geteuid() == 0) {
        const group* dialout = getgrnam("dialout");
        ASSERT_EQ(chown(device.c_str(), 0, dialout != nullptr ? dialout->gr_gid : 20), 0);
        if (std::system("setpriv --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv";
        const std::string drop = " setpriv --reuid=65534 --regid=65534 --clear-groups";
        if (std::system((drop + " test -x '" + dir_.path() + "'").c_str()) != 0)
            GTEST_SKIP() << "user 65534 cannot enter " << dir_.path() << " (set TMPDIR)";
        env += drop;
        // A build tree it cannot enter: the program and the library run from copies here.
        if (std::system((drop + " '" VANTCTL_PATH "' --version >/dev/null 2>&1").c_str()) != 0) {
            Dl_info library{};
            ASSERT_NE(dladdr(reinterpret_cast<void*>(&HM_CloseCommPort), &library), 0);
            const std::string copy = "cp '" VANTCTL_PATH "' '" + std::string(library.dli_fname);
            ASSERT_EQ(std::system((copy + "' '" + dir_.path() + "'").c_str()), 0);
            env = "LD_LIBRARY_PATH=. " + env + " sh -c 'exec ./vantctl \"$@\"'";
        }
    } else if (access(device.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "file modes are not enforced";
    }
    struct stat made {};
    ASSERT_EQ(stat(device.c_str(), &made), 0);
    const group* owner = getgrgid(made.st_gid);
    const std::string name = owner != nullptr ? owner->gr_name : std::to_string(made.st_gid);
    const std::string reason = "Permission denied on " + device + ": add the user to the group " +
                               name + " (sudo usermod -aG " + name + " $USER) and log in again";
    const ProcessRun run = vantctl("id A", env);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "COM1 open error\n" + reason + "\n")) << run.err;
    EXPECT_TRUE(contains(read_file(trace), " ! COM1 open error: " + reason + "\n"))
        << read_file(trace);
}

TEST(VantctlOptions, LinkOptionsAreTakenWhereverTheyStand) {
    std::vector<std::string> args = {"poll", "--baud",    "57600", "AB",       "--parity",
                                     "even", "--timeout", "250",   "--output", "x"};
    vantctl::LinkOptions options;
    EXPECT_EQ(vantctl::take_link_options(args, options), "");
    EXPECT_EQ(args, (std::vector<std::string>{"poll", "AB", "--output", "x"}));
    EXPECT_EQ(options.baud_code, 9);
    EXPECT_EQ(options.parity, 2);
    EXPECT_EQ(options.time_out_ms, 250);
    EXPECT_EQ(vantctl::baud_code_for_rate(110), 0);
    EXPECT_EQ(vantctl::baud_code_for_rate(115200), 115200);
    std::vector<std::string> bad = {"--timeout", "12x"};
    EXPECT_NE(vantctl::take_link_options(bad, options), "");
}
