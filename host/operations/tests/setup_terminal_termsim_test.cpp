#include <gtest/gtest.h>

#include <QApplication>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "command_ids.h"
#include "host_modules.h"
#include "link_glue.h"
#include "main_frame.h"
#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_process.h"
#include "vantrel_view.h"
#include "window_on_line.h"

namespace {

namespace fs = std::filesystem;

// The PC's local time as termsim's trace shows a clock it was given.
std::string traceTime(std::time_t at) {
    std::tm local{};
    localtime_r(&at, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The time termsim noted for the terminal's clock, empty when it noted none.
std::string clockSetIn(const std::string& trace, char address) {
    const std::string mark = std::string(1, address) + ": clock set to ";
    const auto at = trace.find(mark);
    return at == std::string::npos ? std::string() : trace.substr(at + mark.size(), 19);
}

// Two simulated terminals, A and B, with files in folders of the test; termsim notes what they
// do in its trace.
class HostSetupTermsim : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char address : std::string("AB")) {
            fs::create_directories(store(address) + "/ram");
            writeFile(onTerminal(address, "DATA.TXT"), "data");
            writeFile(onTerminal(address, "KEEP.TXT"), "keep");
            writeFile(onTerminal(address, "PROG.EXE"), "program");
        }
        std::vector<std::string> args = {"--baud", "2000000", "--trace", trace()};
        for (const char address : std::string("AB")) {
            args.push_back("--terminal");
            args.push_back(std::string(1, address) + ",store=" + store(address));
        }
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\r\nPort=1\r\nBaudRate=57600\r\nESC_delay=0\r\nAddress=A\r\n"
                  "Terminal_type=KD31/KD32\r\nErrorLog=New\r\n[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\n"
                  "SHOW_ERROR_BOX=No\r\n");
    }

    std::string store(char address) const { return folder.file(std::string("store") + address); }
    std::string onTerminal(char address, const std::string& name) const {
        return store(address) + "/ram/" + name;
    }
    std::string trace() const { return folder.file("trace.txt"); }

    // True when vantrel ended by itself, with exit status 0.
    bool runVantrel(const QStringList& arguments) {
        const VantrelRun run =
            runVantrelProcess(folder.path(), folder.file("com1"), arguments, 10000);
        output = run.output;
        return run.ended && run.exitCode == 0;
    }

    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::string output;
};

TEST_F(HostSetupTermsim, CommandLineDeleteTakesTheFileFromTheNamedTerminalOnly) {
    ASSERT_TRUE(runVantrel({"A", "E", "DATA.TXT"})) << output;
    EXPECT_FALSE(fs::exists(onTerminal('A', "DATA.TXT")));
    EXPECT_TRUE(fs::exists(onTerminal('A', "KEEP.TXT")));
    EXPECT_TRUE(fs::exists(onTerminal('B', "DATA.TXT")));
    EXPECT_NE(readFile(folder.file("ERR_LOG.TXT")).find("Purge  DATA.TXT"), std::string::npos);
}

TEST_F(HostSetupTermsim, CommandLineTimeSetsBothClocksFromThePcClock) {
    const std::string before = traceTime(std::time(nullptr));
    ASSERT_TRUE(runVantrel({"AB", "M"})) << output;
    const std::string after = traceTime(std::time(nullptr));
    const std::string trace = readFile(this->trace());
    for (const char address : std::string("AB")) {
        const std::string set = clockSetIn(trace, address);
        EXPECT_GE(set, before) << address << "\n" << trace;
        EXPECT_LE(set, after) << address;
    }
}

TEST_F(HostSetupTermsim, CommandLineRunStartsTheProgramByItsNameWithoutExtension) {
    ASSERT_TRUE(runVantrel({"A", "X", "PROG.EXE"})) << output;
    const std::string trace = readFile(this->trace());
    EXPECT_NE(trace.find("A: running PROG.EXE"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("B: running"), std::string::npos);
}

// The menu commands in the real window, their dialogs taking their default answers.
class HostSetupTermsimWindow : public HostSetupTermsim {
protected:
    void SetUp() override {
        HostSetupTermsim::SetUp();
        window = std::make_unique<WindowOnLine>(folder.file("com1"), folder.path());
        frame = window->frame.get();
    }
    void TearDown() override { window.reset(); }
    std::unique_ptr<WindowOnLine> window;
    vantrel::CMainFrame* frame = nullptr;
};

TEST_F(HostSetupTermsimWindow, KeypadUnlockAndTheClockReachTheTerminal) {
    auto& view = *frame->view();
    const std::string before = traceTime(std::time(nullptr));
    ASSERT_TRUE(view.runCommand(vantrel::ID_SET_KEY_UNLOCK));
    ASSERT_TRUE(view.runCommand(vantrel::ID_SET_KEY_PARTIAL));
    ASSERT_TRUE(view.runCommand(vantrel::ID_SET_TIME_DATE));  // System time
    const std::string trace = readFile(this->trace());
    const auto unlock = trace.find("A: keypad set: 1");
    ASSERT_NE(unlock, std::string::npos) << trace;
    EXPECT_NE(trace.find("A: keypad set: 2", unlock), std::string::npos);
    EXPECT_GE(clockSetIn(trace, 'A'), before);
    EXPECT_EQ(view.state().status[0], vantrel::TerminalStatus::Done);
}

// The dialogs open on the first address in use and the first free one: A becomes C. The list
// follows at once, in memory and in Vantcom.ini, so the next command reaches C.
TEST_F(HostSetupTermsimWindow, AddressChangeIsFollowedByTheListAndTheBarTableReachesIt) {
    auto& view = *frame->view();
    view.settings().Address = "AB";
    ASSERT_TRUE(view.runCommand(vantrel::ID_SET_ADDRESS));
    EXPECT_EQ(view.settings().Address, "CB");
    EXPECT_NE(readFile(folder.file("Vantcom.ini")).find("Address=CB"), std::string::npos);
    view.state().selection[1] = 0;
    ASSERT_TRUE(view.runCommand(vantrel::ID_SET_BAR_TABLE));  // every symbology ON
    const std::string trace = readFile(this->trace());
    EXPECT_NE(trace.find("A: address changed to C"), std::string::npos) << trace;
    EXPECT_NE(trace.find("C: bar-code table stored: NNNNN"), std::string::npos) << trace;
    EXPECT_EQ(view.state().status[0], vantrel::TerminalStatus::Done);
}

}  // namespace
