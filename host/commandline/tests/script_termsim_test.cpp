// One batch script with every operation, CR LF line ends, vantrel as a process against two
// simulated terminals: each effect must be seen on the terminals or in the PC's folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_process.h"

namespace {

namespace fs = std::filesystem;

class HostScriptTermsim : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> args = {"--baud", "2000000", "--trace", trace()};
        for (const char address : std::string("AB")) {
            fs::create_directories(store(address) + "/ram");
            writeFile(onTerminal(address, "DATA.TXT"), std::string("data of ") + address);
            writeFile(records(address),
                      std::string(1, address) + "-record-1\n" + address + "-record-2\n");
            args.push_back("--terminal");
            args.push_back(std::string(1, address) + ",store=" + store(address) +
                           ",records=" + records(address));
        }
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\r\nPort=1\r\nBaudRate=57600\r\nESC_delay=0\r\nAddress=A\r\n"
                  "Terminal_type=KD31/KD32\r\nErrorLog=New\r\n[POLL]\r\nFile_Name=POLL.DAT\r\n"
                  "Open_Method=Append\r\nPolling_Period=ExistWhenPeriodNoData\r\n"
                  "Poll_Max_Wait_Time=1\r\nToken_file=No\r\n[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\n"
                  "SHOW_ERROR_BOX=No\r\n");
    }

    std::string store(char address) const { return folder.file(std::string("store") + address); }
    std::string records(char address) const {
        return folder.file(std::string("records-") + address);
    }
    std::string onTerminal(char address, const std::string& name) const {
        return store(address) + "/ram/" + name;
    }
    std::string trace() const { return folder.file("trace.txt"); }

    bool runScript(const std::string& script) {
        writeFile(folder.file("JOBS.TXT"), script);
        const VantrelRun run =
            runVantrelProcess(folder.path(), folder.file("com1"), {"Z", "JOBS.TXT"}, 60000);
        output = run.output;
        log = readFile(folder.file("ERR_LOG.TXT"));
        return run.ended && run.exitCode == 0;
    }

    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::string output;
    std::string log;
};

// Unknown operations, a nested script and lines too short to be commands are skipped; the
// CR LF ends never reach a file or program name; the last line (a poll) closes the program.
TEST_F(HostScriptTermsim, EveryOperationRunsInOrderAndTheProgramClosesItself) {
    writeFile(folder.file("PROG.EXE"), std::string("program\x1B\x02\r\n", 11));
    ASSERT_TRUE(
        runScript("AB M\r\n"
                  "A L PROG.EXE PROG.EXE\r\n"
                  "A X PROG.EXE\r\n"
                  "A Q DATA.TXT\r\n"
                  "A Z JOBS.TXT\r\n"
                  "B\r\n"
                  "\r\n"
                  "B E DATA.TXT\r\n"
                  "A U DATA.TXT COPY.TXT\r\n"
                  "AB 1\r\n"))
        << output;
    const std::string trace = readFile(this->trace());
    EXPECT_EQ(countOf(trace, "A: clock set to "), 1) << trace;  // the script ran once
    EXPECT_EQ(countOf(trace, "B: clock set to "), 1);
    EXPECT_EQ(readFile(onTerminal('A', "PROG.EXE")), readFile(folder.file("PROG.EXE")));
    EXPECT_NE(trace.find("A: running PROG.EXE"), std::string::npos);
    EXPECT_FALSE(fs::exists(onTerminal('B', "DATA.TXT")));
    EXPECT_TRUE(fs::exists(onTerminal('A', "DATA.TXT")));
    EXPECT_EQ(readFile(folder.file("COPY.TXT")), "data of A");
    // The terminals take turns; each one's records keep their order.
    const std::string polled = readFile(folder.file("POLL.DAT"));
    EXPECT_EQ(polled.size(), 4 * std::string("A A-record-1\r\n").size()) << polled;
    for (const char address : std::string("AB")) {
        const std::string first = std::string(1, address) + " " + address + "-record-";
        const auto one = polled.find(first + "1\r\n");
        ASSERT_NE(one, std::string::npos) << polled;
        EXPECT_NE(polled.find(first + "2\r\n", one), std::string::npos) << polled;
    }
    EXPECT_EQ(countOf(log, "\r\n"), countOf(log, "Successfully\r\n")) << log;
}

// A line naming a file the terminal cannot hold is refused without cutting the name to
// another file's; a script that ends on such a line leaves the program to the last command.
TEST_F(HostScriptTermsim, OverlongNamesAndMissingFilesAreReportedAndTheRestRuns) {
    writeFile(onTerminal('A', "ABCDEFGHIJKLMNOPQRS"), "keep");
    ASSERT_TRUE(
        runScript("A E ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
                  "A L NOSUCH.EXE P.EXE\r\n"
                  "A U NOSUCH.TXT NOSUCH.TXT\r\n"
                  "A 1\r\n"))
        << output;
    EXPECT_EQ(readFile(onTerminal('A', "ABCDEFGHIJKLMNOPQRS")), "keep");
    EXPECT_NE(log.find("NOSUCH.EXE"), std::string::npos) << log;
    EXPECT_NE(log.find("Upload  NOSUCH.TXT doesn't exist"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(folder.file("NOSUCH.TXT")));
    EXPECT_EQ(readFile(folder.file("POLL.DAT")), "A A-record-1\r\nA A-record-2\r\n");
}

// Nobody can answer the box that names the file: the unattended run ends instead of waiting.
TEST_F(HostScriptTermsim, MissingScriptEndsAnUnattendedRunAndRunsNothing) {
    const VantrelRun run =
        runVantrelProcess(folder.path(), folder.file("com1"), {"Z", "NOSUCH.TXT"}, 10000);
    EXPECT_TRUE(run.ended) << run.output;
    EXPECT_NE(run.output.find("NOSUCH.TXT"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(folder.file("POLL.DAT")));
}

// Refused for a limit, a command line in an unattended run says why and ends: nobody is
// there to read the note.
TEST_F(HostScriptTermsim, RefusedCommandLineEndsAnUnattendedRun) {
    writeFile(onTerminal('A', "ABCDEFGHIJKLMNOPQRS"), "keep");
    for (const QStringList& words :
         {QStringList{"A", "E", "ABCDEFGHIJKLMNOPQRST"}, QStringList{"A", "1", QString(120, 'x')},
          QStringList{"A", "1", "a", "b", "c", "d"}}) {
        const VantrelRun run = runVantrelProcess(folder.path(), folder.file("com1"), words, 10000);
        EXPECT_TRUE(run.ended) << words.join(' ').toStdString();
        EXPECT_NE(run.output.find("Command refused"), std::string::npos) << run.output;
    }
    EXPECT_EQ(readFile(onTerminal('A', "ABCDEFGHIJKLMNOPQRS")), "keep");
    EXPECT_FALSE(fs::exists(folder.file("POLL.DAT")));
}

}  // namespace
