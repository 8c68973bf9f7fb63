#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
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

// Every byte the line treats specially, every other byte, an empty file, a file of 100 KiB and
// files that end on and beside the block sizes of both directions.
std::vector<std::pair<std::string, std::string>> twelveFiles() {
    const std::string specials("\x00\x02\x03\x04\x06\x15\x1B\x5C\xDC\xFF", 10);
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    std::string big(100 * 1024, '\0');
    std::uint32_t seed = 12345;
    for (char& c : big) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    std::vector<std::pair<std::string, std::string>> files = {
        {"SPECIAL.BIN", specials + every + specials + specials},
        {"EMPTY.DAT", ""},
        {"BIG.BIN", big},
        {"ONLY.ESC", std::string(300, '\x1B')},
    };
    for (const int size : {1, 119, 120, 121, 240, 250, 251, 252}) {
        std::string text;
        for (int i = 0; i < size; ++i) text += static_cast<char>(specials[i % specials.size()] + i);
        files.push_back({"S" + std::to_string(size) + ".DAT", text});
    }
    return files;
}

// vantrel as a process in a fresh working folder, against three simulated terminals that keep
// their files in folders of the test.
class HostTransferEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> args = {"--baud", "2000000"};
        for (const char address : std::string("ABC")) {
            args.push_back("--terminal");
            args.push_back(std::string(1, address) + ",store=" + store(address));
        }
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
    }

    std::string store(char address) const { return folder.file(std::string("store") + address); }
    std::string onTerminal(char address, const std::string& name) const {
        return store(address) + "/ram/" + name;
    }
    std::string inFolder(char address, const std::string& name) const {
        return folder.file(std::string("ADDR_") + address + "/" + name);
    }

    void writeSettings(const std::string& extra) {
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\r\nPort=1\r\nBaudRate=57600\r\nESC_delay=0\r\nAddress=A\r\n"
                  "Terminal_type=KD31/KD32\r\nErrorLog=New\r\n[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\n"
                  "SHOW_ERROR_BOX=No\r\n" +
                      extra);
    }

    // True when vantrel ended by itself within the time limit, with exit status 0.
    bool runVantrel(const QStringList& arguments, int limitMs = 60000) {
        const VantrelRun run =
            runVantrelProcess(folder.path(), folder.file("com1"), arguments, limitMs);
        output = run.output;
        log = readFile(folder.file("ERR_LOG.TXT"));
        return run.ended && run.exitCode == 0;
    }

    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::string output;
    std::string log;
};

// Twelve "L" lines send the files to A, B and C; the Upload list brings them back into each
// terminal's folder, purging the last one on the terminals.
TEST_F(HostTransferEndToEnd, TwelveFilesToThreeTerminalsAndBackByteForByte) {
    const auto files = twelveFiles();
    std::string script, list = "[Multi_upload]\r\nUpload_Save_Mode=New\r\nDelete12=Yes\r\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
        writeFile(folder.file(files[i].first), files[i].second);
        script += "ABC L " + files[i].first + " " + files[i].first + "\r\n";
        list += "File" + std::to_string(i + 1) + "=" + files[i].first + "\r\n";
    }
    writeFile(folder.file("JOBS.TXT"), script + "ABC U\r\n");
    writeSettings(list);
    ASSERT_TRUE(runVantrel({"Z", "JOBS.TXT"})) << output;
    for (const char address : std::string("ABC")) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            const auto& [name, bytes] = files[i];
            EXPECT_EQ(readFile(inFolder(address, name)), bytes) << address << " " << name;
            if (i + 1 < files.size())
                EXPECT_EQ(readFile(onTerminal(address, name)), bytes) << address << " " << name;
            else
                EXPECT_FALSE(fs::exists(onTerminal(address, name))) << "not purged";
        }
    }
    EXPECT_EQ(countOf(log, "Successfully"), 3 * (12 + 12 + 1)) << log;
}

// The library applies the save mode to a file the upload finds in its place.
TEST_F(HostTransferEndToEnd, SaveModesNewOverWriteAndAppend) {
    fs::create_directories(store('A') + "/ram");
    writeFile(onTerminal('A', "LOG.TXT"), "new-data");
    const std::pair<const char*, const char*> modes[] = {
        {"New", "old-"}, {"Over-write", "new-data"}, {"Append", "old-new-data"}};
    for (const auto& [mode, expected] : modes) {
        writeFile(folder.file("LOG.TXT"), "old-");
        writeSettings(std::string("[Multi_upload]\r\nUpload_Save_Mode=") + mode + "\r\n");
        ASSERT_TRUE(runVantrel({"A", "U", "LOG.TXT", "LOG.TXT"})) << output;
        EXPECT_EQ(readFile(folder.file("LOG.TXT")), expected) << mode;
    }
    EXPECT_EQ(readFile(folder.file("LO0.TXT")), "new-data");  // New: a free name beside it
    EXPECT_FALSE(fs::exists(folder.file("LO1.TXT")));         // only New makes one
}

TEST_F(HostTransferEndToEnd, RepeatedDownloadMissingFileAndUploadUnderItsDestination) {
    writeFile(folder.file("GOOD.EXE"), std::string("program\x1B\x02", 9));
    writeFile(folder.file("JOBS.TXT"),
              "A L MISSING.EXE P.EXE 3\r\nA L GOOD.EXE P.EXE 3\r\nA U NOSUCH.TXT NOSUCH.TXT\r\n"
              "A U P.EXE COPY.EXE\r\n");
    writeSettings("");
    ASSERT_TRUE(runVantrel({"Z", "JOBS.TXT"})) << output;
    EXPECT_EQ(countOf(log, "Download  MISSING.EXE doesn't exist"), 3) << log;
    EXPECT_EQ(countOf(log, "Download  GOOD.EXE Successfully"), 1) << log;
    EXPECT_EQ(countOf(log, "Upload  NOSUCH.TXT doesn't exist"), 1) << log;
    EXPECT_FALSE(fs::exists(folder.file("NOSUCH.TXT")));
    EXPECT_EQ(readFile(folder.file("COPY.EXE")), readFile(folder.file("GOOD.EXE")));
}

// The menu commands in the real window: the Download list, then the Upload list with a file the
// terminal lacks; the status bar shows a bar while a file moves.
class HostTransferWindow : public HostTransferEndToEnd {
protected:
    void SetUp() override {
        HostTransferEndToEnd::SetUp();
        writeFile(folder.file("BIG.BIN"), std::string(20000, '\x5C'));
        writeSettings(
            "[Multi_download]\r\nFile1=BIG.BIN\r\n"
            "[Multi_upload]\r\nFile1=BIG.BIN\r\nFile2=NOSUCH.TXT\r\n");
        window = std::make_unique<WindowOnLine>(folder.file("com1"), folder.path());
        frame = window->frame.get();
    }
    void TearDown() override { window.reset(); }
    std::unique_ptr<WindowOnLine> window;
    vantrel::CMainFrame* frame = nullptr;
};

TEST_F(HostTransferWindow, ListsMoveWithAProgressBarAndAMissingFileShowsStatusSix) {
    QProgressBar* bar = frame->transferProgressBar();
    int seenWhileMoving = 0, largestValue = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!bar->isVisible()) return;
        ++seenWhileMoving;
        largestValue = std::max(largestValue, bar->value());
    });
    watch.start(5);
    auto& view = *frame->view();
    ASSERT_TRUE(view.runCommand(vantrel::ID_EXEC_DOWNLOAD));
    EXPECT_GT(seenWhileMoving, 0);
    EXPECT_GT(largestValue, 0);
    EXPECT_EQ(bar->maximum(), 20000);
    EXPECT_FALSE(bar->isVisible());

    seenWhileMoving = 0;
    ASSERT_TRUE(view.runCommand(vantrel::ID_EXEC_UPLOAD));
    EXPECT_GT(seenWhileMoving, 0);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(readFile(inFolder('A', "BIG.BIN")), readFile(folder.file("BIG.BIN")));
    EXPECT_FALSE(fs::exists(inFolder('A', "NOSUCH.TXT")));
    EXPECT_EQ(view.state().status[0], vantrel::TerminalStatus::FileMissing);
    EXPECT_TRUE(view.state().isReady());
}

}  // namespace
