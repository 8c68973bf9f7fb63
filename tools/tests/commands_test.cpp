// vantctl's terminal commands as processes against termsim: results, answers, what reached
// the terminal, command-line mistakes.
#include <sys/stat.h>

#include <filesystem>

#include "vantctl_fixture.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;
using vantctl_test::write_file;

class VantctlCommands : public vantctl_test::VantctlFixture {
protected:
    // A terminal A whose RAM disk and flash ROM hold the given files.
    void start_with_files(const std::vector<std::string>& ram,
                          const std::vector<std::string>& rom = {}) {
        const std::string store = dir_.file("store");
        std::filesystem::create_directories(store + "/ram");
        std::filesystem::create_directories(store + "/rom");
        for (const auto& name : ram) write_file(store + "/ram/" + name, "0123456789");
        for (const auto& name : rom) write_file(store + "/rom/" + name, "01234");
        start_sim({"A,store=" + store});
    }
};

TEST_F(VantctlCommands, StartCommandsReachEachTerminalInOrder) {
    start_sim({"A", "B"});
    const ProcessRun run = fast("warm-start BA");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string events = trace();
    const size_t b = events.find("B: warm start"), a = events.find("A: warm start");
    ASSERT_NE(b, std::string::npos) << events;
    ASSERT_NE(a, std::string::npos) << events;
    EXPECT_LT(b, a);
    EXPECT_EQ(fast("kermit A").status, 0);
    EXPECT_TRUE(contains(trace(), "A: kermit started"));
}

TEST_F(VantctlCommands, AMissingTerminalTimesOutButTheOthersAreStillVisited) {
    start_sim({"A"});
    const ProcessRun run = fast("--timeout 50 cold-start QA");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "vantctl cold-start: Q: Time out")) << run.err;
    EXPECT_FALSE(contains(run.err, "A:")) << run.err;
    EXPECT_TRUE(contains(trace(), "A: cold start"));
}

TEST_F(VantctlCommands, RunDropsTheExtensionAndReportsAMissingProgram) {
    start_with_files({"PROG.EXE"}, {"ROMPROG.EXE"});
    EXPECT_EQ(fast("run A PROG.EXE").status, 0);
    EXPECT_TRUE(contains(trace(), "A: running PROG.EXE"));
    const ProcessRun missing = fast("run A NOPE.EXE");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "A: doesn't exist")) << missing.err;
    // A program in flash ROM runs too, and says where it came from.
    const ProcessRun rom = fast("run A ROMPROG --rom");
    EXPECT_EQ(rom.status, 0) << rom.err;
    EXPECT_EQ(rom.out, "From flash ROM\n");
    EXPECT_EQ(fast("running A").out, "ROMPROG.EXE\n");
}

TEST_F(VantctlCommands, InquiriesPrintTheirAnswers) {
    start_sim({"A,ram=512,exec=64,flash=1024,id=KT05-X1,firmware=V9.99",
               "B,kind=4,ram=640,exec=128,ems=2048"});
    EXPECT_EQ(fast("ram A").out, "Total=512  EXEC=64  Free=448\n");
    EXPECT_EQ(fast("ram B").out, "Total=640  EXEC=128  Free=512  Total EMS=2048  Free EMS=2048\n");
    EXPECT_EQ(fast("flash A").out, "Total=1024Kb  Free=1024Kb\n");
    EXPECT_EQ(fast("id A").out, "KT05-X1\n");
    EXPECT_EQ(fast("firmware A").out, "V9.99\n");
    // Several addresses: each answer says whose it is.
    const ProcessRun both = fast("firmware AB");
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out, "A: V9.99\nB: V3.20\n");
    const ProcessRun idle = fast("running A");
    EXPECT_EQ(idle.status, 1);
    EXPECT_TRUE(contains(idle.err, "No program is executed")) << idle.err;
    // An answer that cannot be written is a failure, not a success with nothing printed.
    const ProcessRun full = fast_to("id A", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(contains(full.err, "vantctl id: cannot write the output")) << full.err;
    EXPECT_EQ(fast_to("--version", "/dev/full").status, 1);
}

TEST_F(VantctlCommands, DirectoryAndFileExistence) {
    start_with_files({"A.EXE", "B.DAT"}, {"R.EXE"});
    const ProcessRun ram = fast("dir A");
    EXPECT_EQ(ram.status, 0) << ram.err;
    EXPECT_TRUE(contains(ram.out, "A.EXE") && contains(ram.out, "B.DAT")) << ram.out;
    EXPECT_FALSE(contains(ram.out, "R.EXE"));
    EXPECT_EQ(fast("dir A --rom").out, "R.EXE\n");
    EXPECT_EQ(fast("exists A B.DAT").out, "10\n");
    EXPECT_EQ(fast("exists A R.EXE").out, "5  From flash ROM\n");
    const ProcessRun missing = fast("exists A NONE.DAT");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "doesn't exist"));
}

TEST_F(VantctlCommands, ALongDirectoryArrivesWhole) {
    std::vector<std::string> names;
    names.reserve(60);
    for (int i = 0; i < 60; ++i) names.push_back("FILE" + std::to_string(100 + i) + ".DAT");
    start_with_files(names);
    const ProcessRun run = fast("dir A");
    EXPECT_EQ(run.status, 0) << run.err;
    for (const auto& name : names) EXPECT_TRUE(contains(run.out, name)) << name;
    EXPECT_FALSE(contains(run.out, "\\"));
}

TEST_F(VantctlCommands, SetUpTextsReachTheTerminal) {
    start_sim({"A", "B"});
    EXPECT_EQ(fast("date-time AB --text 20240229235958").status, 0);
    EXPECT_TRUE(contains(trace(), "A: clock set to 2024-02-29 23:59:58"));
    EXPECT_TRUE(contains(trace(), "B: clock set to 2024-02-29 23:59:58"));
    // Each terminal's communication table carries its own address.
    const ProcessRun comm = fast("comm-table AB KD24 9600 8N1 20");
    EXPECT_EQ(comm.status, 0) << comm.err;
    EXPECT_TRUE(contains(trace(), "A: communication table stored: 718NMA20F"));
    EXPECT_TRUE(contains(trace(), "B: communication table stored: 718NMB20F"));
    EXPECT_EQ(fast("bar-table A NNFNNFNN").status, 0);
    EXPECT_TRUE(contains(trace(), "A: bar-code table stored: NNFNNFNN"));
    EXPECT_EQ(fast("device-table A PBNNN9").status, 0);
    EXPECT_TRUE(contains(trace(), "A: device table stored: PBNNN9"));
    EXPECT_EQ(fast("keypad A partial-lock").status, 0);
    EXPECT_TRUE(contains(trace(), "A: keypad set: 2"));
    EXPECT_EQ(fast("font A 32x16").status, 0);
    EXPECT_TRUE(contains(trace(), "A: system font restored: 2"));
    EXPECT_EQ(fast("buzzer A medium").status, 0);
    EXPECT_TRUE(contains(trace(), "A: buzzer volume 5"));
    EXPECT_EQ(fast("send-data A 'a\\b'").status, 0);
    EXPECT_TRUE(contains(trace(), "A: data received: a\\b"));
}

TEST_F(VantctlCommands, DateTimeFromThePcClock) {
    start_sim({"A"});
    const ProcessRun run = fast("date-time A");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.size(), 15u) << run.out;
    const std::string sent = run.out.substr(0, 14);
    const std::string shown = sent.substr(0, 4) + "-" + sent.substr(4, 2) + "-" +
                              sent.substr(6, 2) + " " + sent.substr(8, 2) + ":" +
                              sent.substr(10, 2) + ":" + sent.substr(12, 2);
    EXPECT_TRUE(contains(trace(), "A: clock set to " + shown)) << trace();
}

TEST_F(VantctlCommands, TerminalRefusalsAreFailures) {
    start_with_files({"X.DAT"});
    const ProcessRun exe = fast("exe-size A 100");  // the RAM disk is not empty
    EXPECT_EQ(exe.status, 1);
    EXPECT_TRUE(contains(exe.err, "RAM disk isn't empty")) << exe.err;
    const ProcessRun purge = fast("delete A NONE.DAT");
    EXPECT_EQ(purge.status, 1);
    EXPECT_TRUE(contains(purge.err, "A: doesn't exist")) << purge.err;
    EXPECT_EQ(fast("delete A X.DAT").status, 0);
    EXPECT_TRUE(contains(trace(), "A: file deleted: X.DAT"));
}

TEST_F(VantctlCommands, SetAddressMovesTheTerminal) {
    start_sim({"A"});
    EXPECT_EQ(fast("set-address A D").status, 0);
    EXPECT_EQ(fast("id D").status, 0);
    EXPECT_EQ(fast("--timeout 50 id A").status, 1);
}

TEST_F(VantctlCommands, PowerSavingWrapsCommandsAndCanBeSwitched) {
    start_sim({"A,sleep=1"});
    EXPECT_EQ(fast("--power-saving warm-start A").status, 0);
    std::string events = trace();
    const size_t woke = events.find("A: woke up"), warm = events.find("A: warm start"),
                 slept = events.rfind("A: went to sleep");
    ASSERT_NE(warm, std::string::npos) << events;
    EXPECT_LT(woke, warm);
    ASSERT_NE(slept, std::string::npos);
    EXPECT_GT(slept, warm);
    EXPECT_EQ(fast("power-saving-off A").status, 0);
    EXPECT_EQ(fast("--timeout 100 id A").status, 0);
    EXPECT_EQ(fast("power-saving-on A").status, 0);
    EXPECT_EQ(fast("--timeout 100 id A").status, 1);  // asleep: no answer
}

TEST_F(VantctlCommands, Kd24ConfigurationFileBecomesOneRecord) {
    start_sim({"A,kind=2"});
    write_file(dir_.file("scan.KD24"),
               "; scanner set-up\r\nfield_delimeter = 44\r\nRECORD_DELIMETER=13\r\n"
               "FIELD=2,(CODE/10/A),(QTY/5/B)\r\n");
    const ProcessRun run = fast("kd24-config A scan.KD24");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(trace(), "A: KD24 configuration record: ,<0D>BCODE    JAQTY     EB"))
        << trace();
    // Nothing that is not a plain file is read: no abort on a folder, no wait on a FIFO.
    std::filesystem::create_directory(dir_.file("folder.KD24"));
    ASSERT_EQ(mkfifo(dir_.file("fifo.KD24").c_str(), 0600), 0);
    for (const char* refused :
         {"none.KD24 not found", "folder.KD24 is a folder", "fifo.KD24 is not a regular file"}) {
        const std::string name(refused, std::string_view(refused).find(' '));
        const ProcessRun run = fast("kd24-config A " + name);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(contains(run.err, refused)) << run.err;
    }
    const ProcessRun download = fast("download A fifo.KD24");
    EXPECT_EQ(download.status, 1);
    EXPECT_TRUE(contains(download.err, "A: doesn't exist")) << download.err;
}

TEST_F(VantctlCommands, Kd24FileWithAnEndlessLineIsRefused) {
    write_file(dir_.file("zero.KD24"), std::string(4 << 20, '\0'));
    const ProcessRun run = fast("kd24-config A zero.KD24");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "zero.KD24: a line is longer than 4096 bytes")) << run.err;
}

TEST_F(VantctlCommands, TerminalControlBytesAreShownOnATerminalAndPassRawIntoAPipe) {
    // ESC [2J would clear the operator's screen; 0x9B is the one-byte CSI.
    const std::string id =
        "\x1b[2Jid\x9b"
        "1m";
    write_file(dir_.file("records"), "r\\x1b]0;title\\x07\\r\\n\n");
    start_sim({"A,id=" + id + ",escaped-records=" + dir_.file("records")});
    EXPECT_EQ(fast("id A").out, id + "\n");
    EXPECT_EQ(vantctl_on_terminal("id A").out, "\\x1b[2Jid\\x9b1m\n");
    const ProcessRun poll = vantctl_on_terminal("poll A");
    EXPECT_EQ(poll.status, 0) << poll.err;
    EXPECT_EQ(poll.out, "A r\\x1b]0;title\\x07\\r\\n\r\n");
}

TEST_F(VantctlCommands, CommandLineMistakesChangeNothing) {
    start_sim({"A"});
    const std::vector<std::string> mistakes = {
        "warm-start",                         // address missing
        "warm-start AB C",                    // too many words
        "ram 'A B'",                          // a blank is no address
        "ram " + std::string(40, 'A'),        // more addresses than a line holds
        "exe-size A 1000",                    // three digits travel
        "exe-size A 12x",                     // no number
        "buzzer A loud",                      // no such volume
        "keymap A 99",                        // a keypad value, not a key map
        "date-time A --text 20240230120000",  // no such day
        "date-time A --text 2024",            // too short
        "comm-table A KD99 9600 8N1 20",      // no such terminal type
        "comm-table A KD24 115200 8N1 20",    // beyond the terminal's rates
        "comm-table A KD24 9600 9X1 20",      // no such line format
        "set-address AB C",                   // one terminal at a time
        "run A .EXE",                         // no program name
        "password A ''",                      // empty
        "password A " + std::string(300, 'p'),
        "send-data A '" + std::string(130, '\\') + "'",  // encoded it does not fit
        "dir A --rim",                                   // unknown option
        "date-time A --text",                            // option without its value
        "kd24-trigger A 0",
        "dial \"$(printf '12\\r34')\"",  // a control character would break the line
    };
    for (const auto& args : mistakes) {
        const ProcessRun run = fast(args);
        EXPECT_EQ(run.status, 2) << args << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << args;
    }
    EXPECT_FALSE(contains(trace(), "# A:")) << trace();
}

}  // namespace
