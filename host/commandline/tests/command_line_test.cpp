#include "command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "command_line_number.h"
#include "fake_host.h"
#include "modal_boxes.h"

using namespace vantrel;

namespace {

class HostCommandLineSplit : public ::testing::Test {};

TEST_F(HostCommandLineSplit, WordsAtBlanksWithinTheLimits) {
    auto words = splitCommandWords("  ABC  1 ", 5);
    ASSERT_TRUE(words);
    EXPECT_EQ(*words, (std::vector<std::string>{"ABC", "1"}));
    EXPECT_TRUE(splitCommandWords("", 5)->empty());
    // 99 characters pass, 100 do not; a word of 99 passes, one of 100 does not.
    EXPECT_TRUE(splitCommandWords(std::string(99, 'x'), 5));
    EXPECT_FALSE(splitCommandWords(std::string(100, 'x'), 5));
    EXPECT_FALSE(splitCommandWords("A L " + std::string(96, 'f'), 5));
    // A sixth word would overrun the token table.
    EXPECT_TRUE(splitCommandWords("A L B C D", 5));
    EXPECT_FALSE(splitCommandWords("A L B C D E", 5));
}

class HostCommandLineExamine : public ::testing::Test {
protected:
    void examine(const std::vector<std::string>& arguments) {
        examineCommandLine(host, arguments, [this](int id) { posted.push_back(id); });
    }
    FakeHost host;
    std::vector<int> posted;
};

TEST_F(HostCommandLineExamine, AddressesAndOnePostsPollInCommandLineMode) {
    examine({"abc", "1"});
    EXPECT_EQ(posted, std::vector<int>{ID_EXEC_POLL});
    EXPECT_EQ(host.settings().Address, "ABC");
    EXPECT_TRUE(host.state().commandLineMode);
    EXPECT_EQ(host.state().commandTokens, (std::vector<std::string>{"abc", "1"}));
    EXPECT_TRUE(host.ran.empty());  // posted, not run during start-up
    bool modeWhileRunning = false;
    host.setCommandHandler(ID_EXEC_POLL, [&] { modeWhileRunning = host.state().commandLineMode; });
    runCommandLineCommand(host, posted.front());
    EXPECT_TRUE(modeWhileRunning);
    EXPECT_FALSE(host.state().commandLineMode);  // a later menu command asks again
}

TEST_F(HostCommandLineExamine, NoWordsOrOneWordStartsNormally) {
    examine({});
    examine({"ABC"});
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
    EXPECT_EQ(host.settings().Address, "A");
}

TEST_F(HostCommandLineExamine, UnknownOperationClearsTheModeAndPostsNothing) {
    host.state().commandLineMode = true;
    examine({"A", "Q"});
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
}

TEST_F(HostCommandLineExamine, DeleteTimeAndRunPostTheirCommands) {
    examine({"AB", "E", "DATA.TXT"});
    EXPECT_EQ(host.settings().Delete_File1, "DATA.TXT");
    EXPECT_TRUE(host.state().commandLineMode);
    examine({"AB", "M"});
    examine({"A", "X", "PROG.EXE"});
    EXPECT_EQ(posted, (std::vector<int>{ID_EXEC_PURGE, ID_SET_TIME_DATE, ID_EXEC_RUN}));
    EXPECT_EQ(host.state().commandTokens, (std::vector<std::string>{"A", "X", "PROG.EXE"}));
}

TEST_F(HostCommandLineExamine, DeleteAndRunWithoutTheirNamePostNothing) {
    examine({"A", "E"});
    examine({"A", "X"});
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
    EXPECT_TRUE(host.reports.empty());
}

// Delete_File1 holds 19 characters: a longer name is refused whole, never cut into the name of
// another file.
TEST_F(HostCommandLineExamine, DeleteOfANameLongerThanNineteenIsRefusedWithANote) {
    host.settings().Delete_File1 = "KEEP.TXT";
    examine({"A", "E", std::string(19, 'N')});
    EXPECT_EQ(host.settings().Delete_File1, std::string(19, 'N'));
    posted.clear();
    host.state().commandLineMode = false;
    examine({"A", "E", std::string(20, 'N')});
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
    EXPECT_EQ(host.settings().Delete_File1, std::string(19, 'N'));
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].code, -1);
    EXPECT_NE(host.reports[0].detail.find(std::string(20, 'N')), std::string::npos);
}

TEST_F(HostCommandLineExamine, DownloadNeedsBothFilesAndUploadAloneIsTheMenuCommand) {
    examine({"A", "L", "P.EXE"});  // no destination: nothing, the mode as it was
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
    examine({"AB", "L", "P.EXE", "Q.EXE", "3"});
    EXPECT_EQ(posted, std::vector<int>{ID_EXEC_DOWNLOAD});
    EXPECT_TRUE(host.state().commandLineMode);
    EXPECT_EQ(host.state().commandTokens.size(), 5u);

    host.state().commandLineMode = false;
    posted.clear();
    examine({"A", "U"});
    examine({"A", "U", "F"});
    EXPECT_EQ(posted, (std::vector<int>{ID_EXEC_UPLOAD, ID_EXEC_UPLOAD}));
    EXPECT_FALSE(host.state().commandLineMode);
    examine({"A", "U", "F", "G"});
    EXPECT_TRUE(host.state().commandLineMode);
}

TEST_F(HostCommandLineExamine, WithTheModemTheFirstWordIsTheNumber) {
    host.settings().Use_modem = true;
    examine({"5551234", "AB", "1"});
    EXPECT_EQ(commandLinePhoneNumber(), "5551234");
    EXPECT_EQ(host.settings().Address, "AB");
    EXPECT_EQ(posted, std::vector<int>{ID_EXEC_POLL});
    posted.clear();
    examine({"5551234", "AB"});  // the number and one token: nothing to run
    EXPECT_TRUE(posted.empty());
}

TEST_F(HostCommandLineExamine, ZPostsTheScriptAndLeavesTheModeAlone) {
    examine({"Z", "JOBS.TXT"});
    EXPECT_EQ(posted, std::vector<int>{ID_EXEC_BATCH_SCRIPT});
    EXPECT_EQ(commandLineScript(), "JOBS.TXT");
    EXPECT_FALSE(host.state().commandLineMode);
    EXPECT_EQ(host.settings().Address, "A");
}

TEST_F(HostCommandLineExamine, OverlongInputIsRefusedWithANote) {
    examine({"ABC", "1", std::string(120, 'x')});
    examine({"A", "1", "a", "b", "c", "d"});
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(host.state().commandLineMode);
    EXPECT_EQ(host.settings().Address, "A");
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[0].code, -1);
}

// Scripts run through the real command routing; Poll is a recording handler here.
class HostCommandLineScript : public ::testing::Test {
protected:
    void SetUp() override {
        host.setCommandHandler(ID_EXEC_POLL, [this] {
            polls.push_back(host.settings().Address);
            autoExitWhilePolling.push_back(host.settings().AUTO_EXIT);
            modeWhilePolling.push_back(host.state().commandLineMode);
        });
    }
    void nameScript(const std::string& name) {
        examineCommandLine(host, {"Z", name}, [](int) {});
    }
    void writeScript(const std::string& text) {
        writeFile(host.folder.file("JOBS.TXT"), text);
        nameScript("JOBS.TXT");
    }

    FakeHost host;
    FakePrompts prompts;
    std::vector<std::string> polls;
    std::vector<bool> autoExitWhilePolling;
    std::vector<bool> modeWhilePolling;
};

TEST_F(HostCommandLineScript, LinesRunInOrderWithAutoExitOffThenTheProgramCloses) {
    writeScript("AB Q\r\nAB 1\r\n\r\nC\r\nC 1\r\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(polls, (std::vector<std::string>{"AB", "C"}));
    EXPECT_EQ(autoExitWhilePolling, (std::vector<bool>{false, false}));
    EXPECT_TRUE(host.settings().AUTO_EXIT);
    EXPECT_EQ(host.closes, 1);
    EXPECT_TRUE(prompts.messages.empty());
    // The script's commands ran unattended; a menu command after it asks again.
    EXPECT_EQ(modeWhilePolling, (std::vector<bool>{true, true}));
    EXPECT_FALSE(host.state().commandLineMode);
}

TEST_F(HostCommandLineScript, ClocksThenPollAndAnOverlongDeleteIsSkipped) {
    std::vector<std::string> ran;
    host.setCommandHandler(ID_SET_TIME_DATE,
                           [this, &ran] { ran.push_back("M " + host.settings().Address); });
    host.setCommandHandler(ID_EXEC_PURGE,
                           [this, &ran] { ran.push_back("E " + host.settings().Delete_File1); });
    writeScript("AB E " + std::string(20, 'x') + "\r\nAB M\r\nAB 1\r\nB E LOG.TXT\r\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(ran, (std::vector<std::string>{"M AB", "E LOG.TXT"}));
    EXPECT_EQ(polls, std::vector<std::string>{"AB"});
    EXPECT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(HostCommandLineScript, LastLineUnknownKeepsTheProgramOpen) {
    writeScript("AB 1\nA Q\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(polls.size(), 1u);
    EXPECT_EQ(host.closes, 0);
    host.settings().AUTO_EXIT = false;
    writeScript("AB 1\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(host.closes, 0);
    EXPECT_FALSE(host.settings().AUTO_EXIT);
}

TEST_F(HostCommandLineScript, LineEndNeverReachesATokenAndLongLinesAreSkipped) {
    writeScript("A 1 " + std::string(120, 'x') + "\nB 1\r\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(polls, std::vector<std::string>{"B"});
    EXPECT_EQ(host.state().commandTokens, (std::vector<std::string>{"B", "1"}));
    EXPECT_EQ(host.reports.size(), 1u);  // the refused line is noted
}

TEST_F(HostCommandLineScript, LineEndsNeverReachADownloadsFileNames) {
    std::vector<std::vector<std::string>> downloads;
    host.setCommandHandler(ID_EXEC_DOWNLOAD,
                           [this, &downloads] { downloads.push_back(host.state().commandTokens); });
    writeScript("A L SRC.EXE DST.EXE\r\nB L SRC.EXE DST.EXE 2\nC L SRC.EXE DST.EXE\r\n");
    runBatchScript(host, prompts);
    ASSERT_EQ(downloads.size(), 3u);
    EXPECT_EQ(downloads[0][3], "DST.EXE");
    EXPECT_EQ(downloads[1][4], "2");
    EXPECT_EQ(downloads[2][3], "DST.EXE");
}

TEST_F(HostCommandLineScript, LineWithoutAnEndIsNeverReadWholeAndEndsTheScript) {
    writeScript("A 1\n" + std::string(4 << 20, 'x') + "\nB 1\n");
    runBatchScript(host, prompts);
    EXPECT_EQ(polls, std::vector<std::string>{"A"});
    ASSERT_EQ(host.reports.size(), 2u);  // the refused line, then the end of the script
    EXPECT_EQ(host.reports[0].detail, std::string(kCommandLineMax, 'x'));
    EXPECT_TRUE(host.settings().AUTO_EXIT);
}

// With an operator the program stays open; unattended without a screen it ends, not waits.
TEST_F(HostCommandLineScript, MissingScriptShowsItsNameAndRestoresAutoExit) {
    nameScript("NOPE.TXT");
    vantrel::setOperatorCanAnswer(true);
    runBatchScript(host, prompts);
    vantrel::setOperatorCanAnswer(std::nullopt);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "NOPE.TXT");
    EXPECT_EQ(prompts.captions[0], "Can't found this file");
    EXPECT_TRUE(host.settings().AUTO_EXIT);
    EXPECT_TRUE(polls.empty());
    EXPECT_EQ(host.closes, 0);
    runBatchScript(host, prompts);
    EXPECT_EQ(host.closes, 1);
    host.settings().AUTO_EXIT = false;
    runBatchScript(host, prompts);
    EXPECT_EQ(host.closes, 1);
    // A folder or a FIFO is no script either: the same box, and no wait for a writer.
    std::filesystem::create_directory(host.folder.file("DIR.TXT"));
    ASSERT_EQ(mkfifo(host.folder.file("FIFO.TXT").c_str(), 0600), 0);
    for (const char* name : {"DIR.TXT", "FIFO.TXT"}) {
        nameScript(name);
        runBatchScript(host, prompts);
        EXPECT_EQ(prompts.messages.back(), name);
        EXPECT_EQ(prompts.captions.back(), "Can't found this file");
    }
}

TEST_F(HostCommandLineScript, MenuWithoutANamedScriptAsksForOne) {
    examineCommandLine(host, {}, [](int) {});
    runBatchScript(host, prompts);  // cancelled
    EXPECT_TRUE(polls.empty());
    writeFile(host.folder.file("other.txt"), "C 1\n");
    prompts.fileChoice = host.folder.file("other.txt");
    runBatchScript(host, prompts);  // the warning about the address list is declined
    EXPECT_TRUE(polls.empty());
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_NE(prompts.questions[0].find("\"" + host.settings().Address + "\" is replaced"),
              std::string::npos);
    prompts.yes = true;
    runBatchScript(host, prompts);
    EXPECT_EQ(polls, std::vector<std::string>{"C"});
    EXPECT_EQ(prompts.captions.size(), 3u);
}

TEST_F(HostCommandLineScript, NothingRunsWhileATerminalCommandRuns) {
    writeScript("AB 1\n");
    host.setReady(false);
    runBatchScript(host, prompts);
    EXPECT_TRUE(polls.empty());
    EXPECT_EQ(host.settings().Address, "A");
}

}  // namespace
