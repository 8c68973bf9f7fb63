#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_process.h"

namespace {

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// vantrel started as a process in a fresh working folder against three simulated terminals
// holding four records each; it must end by itself.
class HostEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> args = {"--baud", "19200"};
        for (const char address : std::string("ABC")) {
            const std::string records = folder.file(std::string("records-") + address);
            std::string text;
            for (int n = 1; n <= 4; ++n) {
                const std::string data = std::string(1, address) + "-record-" + std::to_string(n) +
                                         " scanned 4006381333931";
                text += data + "\n";
                expected += std::string(1, address) + " " + data + "\r\n";
            }
            writeFile(records, text);
            args.push_back("--terminal");
            args.push_back(std::string(1, address) + ",records=" + records);
        }
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
        writeSettings("Terminal_type=KD31/KD32\r\n");
    }

    void writeSettings(const std::string& communication, const std::string& ports = "") {
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\r\nPort=1\r\nBaudRate=19200\r\n" + communication +
                      "Address=A\r\n[POLL]\r\nFile_Name=POLL.DAT\r\nOpen_Method=Append\r\n"
                      "Polling_Period=ExistWhenPeriodNoData\r\nPoll_Max_Wait_Time=1\r\n"
                      "Token_file=No\r\n[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\nSHOW_ERROR_BOX=No\r\n" +
                      ports);
    }

    // True when vantrel ended by itself within the time limit. Without the variable, COM1 is
    // what the settings say.
    bool runVantrel(const QStringList& arguments, int limitMs = 60000, bool variable = true) {
        const VantrelRun run = runVantrelProcess(
            folder.path(), variable ? folder.file("com1") : std::string(), arguments, limitMs);
        exitCode = run.exitCode;
        output = run.output;
        return run.ended;
    }

    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::string expected;
    int exitCode = -1;
    std::string output;
};

TEST_F(HostEndToEnd, CommandLinePollStoresEveryRecordOnceAndExits) {
    ASSERT_TRUE(runVantrel({"ABC", "1"})) << "vantrel did not end by itself";
    EXPECT_EQ(exitCode, 0) << output;
    const std::string data = readFile(folder.file("POLL.DAT"));
    EXPECT_EQ(sortedLines(data), sortedLines(expected));
    // Each terminal's records arrive in the order it holds them.
    EXPECT_LT(data.find("A-record-1"), data.find("A-record-4"));
    // The command line's address list is saved on the way out.
    EXPECT_NE(readFile(folder.file("Vantcom.ini")).find("Address=ABC"), std::string::npos);
}

// Nobody can answer a box or a dialog without a display: their texts go to standard error, the
// run takes the default answers and still ends by itself.
TEST_F(HostEndToEnd, UnansweredStartUpBoxAndDialogDoNotHoldUpAnUnattendedRun) {
    writeSettings("ErrorLog=Append\r\n");  // and no terminal type: its dialog opens
    std::filesystem::create_directory(folder.file("ERR_LOG.TXT"));
    ASSERT_TRUE(runVantrel({"ABC", "1"}, 20000)) << "vantrel waited on a box";
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("Error log file open error"), std::string::npos) << output;
    EXPECT_NE(output.find("Terminal type select"), std::string::npos) << output;
    EXPECT_EQ(sortedLines(readFile(folder.file("POLL.DAT"))), sortedLines(expected));
}

TEST_F(HostEndToEnd, PortHeldByAnotherProgramEndsTheUnattendedRun) {
    const int holder = ::open(folder.file("com1").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const bool ended = runVantrel({"ABC", "1"}, 20000);
    ::close(holder);
    ASSERT_TRUE(ended) << "vantrel waited on a box";
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("COM1 open error"), std::string::npos) << output;
    EXPECT_EQ(readFile(folder.file("POLL.DAT")), "");
}

TEST_F(HostEndToEnd, DeviceChosenInTheSettingsIsPolledAndNamed) {
    writeSettings("Terminal_type=KD31/KD32\r\n", "[Ports]\r\nCOM1=" + folder.file("com1") + "\r\n");
    ASSERT_TRUE(runVantrel({"ABC", "1"}, 60000, false)) << "vantrel did not end by itself";
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("Open COM1 " + folder.file("com1") + "\n"), std::string::npos) << output;
    EXPECT_EQ(sortedLines(readFile(folder.file("POLL.DAT"))), sortedLines(expected));
    const std::string nothing = folder.file("nothing-there");
    writeSettings("Terminal_type=KD31/KD32\r\n", "[Ports]\r\nCOM1=" + nothing + "\r\n");
    ASSERT_TRUE(runVantrel({"ABC", "1"}, 20000, false)) << "vantrel waited on a box";
    EXPECT_NE(output.find("COM1 open error"), std::string::npos) << output;
    EXPECT_NE(output.find("No such device: " + nothing), std::string::npos) << output;
}

TEST_F(HostEndToEnd, BatchScriptOfTwoLinesPollsBothAndExitsAfterTheLast) {
    writeFile(folder.file("JOBS.TXT"), "AB 1\r\nC 1\r\n");
    ASSERT_TRUE(runVantrel({"Z", "JOBS.TXT"})) << "vantrel did not end by itself";
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_EQ(sortedLines(readFile(folder.file("POLL.DAT"))), sortedLines(expected));
}

}  // namespace
