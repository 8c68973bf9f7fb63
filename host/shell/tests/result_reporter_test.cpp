#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "error_log.h"
#include "host_settings.h"
#include "host_state.h"
#include "result_reporter.h"
#include "temp_folder.h"

using namespace vantrel;

namespace {

struct RecordingOutput : ReportOutput {
    int reveals = 0;
    std::vector<std::string> lines;
    std::vector<std::string> boxes;
    void revealMessagePane() override { ++reveals; }
    void appendMessage(std::string_view line, MessageKind) override { lines.emplace_back(line); }
    void showResultBox(std::string_view text) override { boxes.emplace_back(text); }
};

std::tm fivePastNine() {
    std::tm time{};
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 7;
    return time;
}

class HostReporter : public ::testing::Test {
protected:
    TempFolder folder;
    HostSettings settings;
    HostState state;
    ErrorLog log{folder.file("ERR_LOG.TXT")};
    RecordingOutput output;
    int powerSavingReturn = 0;
    ResultReporter reporter{settings,    state, log, output, [this] { return powerSavingReturn; },
                            fivePastNine};

    void openLog(ErrorLogMode mode) {
        settings.ErrorLog = mode;
        ASSERT_TRUE(log.open(mode));
    }
    std::string logText() {
        log.close();
        return readFile(log.path());
    }
};

}  // namespace

TEST_F(HostReporter, PaneEntryAndLogLineAreByteExact) {
    openLog(ErrorLogMode::New);
    reporter.report('B', "Cold Start", "", 0);
    reporter.report('C', "RAM size ", "Total=1  EXEC=2  Free=3", 4);
    reporter.report('D', "Upload ", "A.DAT", 252);
    ASSERT_EQ(output.lines.size(), 3u);
    EXPECT_EQ(output.lines[0], "B 09:05:07 Cold Start  Successfully\n");
    // On screen a time-out names the silent terminal and the wait; the log keeps its form.
    EXPECT_EQ(output.lines[1],
              "C 09:05:07 RAM size  Total=1  EXEC=2  Free=3 Time out (terminal C did not answer "
              "within 400 ms)\n");
    EXPECT_EQ(output.lines[2], "D 09:05:07 Upload  A.DAT \n");
    EXPECT_EQ(output.reveals, 3);
    EXPECT_EQ(logText(),
              "B 09:05:07 Cold Start  Successfully\r\n"
              "C 09:05:07 RAM size  Total=1  EXEC=2  Free=3 Time out\r\n"
              "D 09:05:07 Upload  A.DAT \r\n");
}

TEST_F(HostReporter, TerminalTextCannotSplitOrForgeALogLine) {
    using namespace std::string_literals;
    openLog(ErrorLogMode::New);
    reporter.report('A', "Terminal ID ", "VT79\r\nB 09:05:07 Cold Start  Successfully\0x"s, 0);
    ASSERT_EQ(output.lines.size(), 1u);
    // Nor can it command the terminal a journal or the log is read on (a title, a bell, a
    // cleared screen); a backslash that would read as an escape is doubled.
    reporter.report('B', "Poll not stored", "\x1b]0;owned\x07\x1b[2J\x7f\\x41\\n\\", 52);
    EXPECT_EQ(output.lines.at(1),
              "B 09:05:07 Poll not stored \\x1b]0;owned\\x07\\x1b[2J\\x7f\\\\x41\\\\n\\ "
              "File open error\n");
    EXPECT_EQ(logText(),
              "A 09:05:07 Terminal ID  VT79\\r\\nB 09:05:07 Cold Start  Successfully\\0x "
              "Successfully\r\n" +
                  output.lines[1].substr(0, output.lines[1].size() - 1) + "\r\n");
}

TEST_F(HostReporter, PowerSavingSuffixRule) {
    settings.Power_Saving = true;
    powerSavingReturn = 9;
    EXPECT_EQ(reporter.resultTextFor(4), "Time out but fail to set power saving on");
    EXPECT_EQ(reporter.resultTextFor(9), "Fail to set power saving off");
    EXPECT_EQ(reporter.resultTextFor(-1), "");
    powerSavingReturn = 0;
    EXPECT_EQ(reporter.resultTextFor(4), "Time out");
    powerSavingReturn = 9;
    settings.Power_Saving = false;
    EXPECT_EQ(reporter.resultTextFor(4), "Time out");
}

// A plain note is only shown; a logged note is logged too; neither is ever boxed.
TEST_F(HostReporter, NotesAreShownButNeverLoggedOrBoxed) {
    openLog(ErrorLogMode::Append);
    state.commandLineMode = true;
    settings.SHOW_ERROR_BOX = true;
    settings.Power_Saving = true;
    powerSavingReturn = 1;
    reporter.report(' ', "Dialing", "555", kNoteCode);
    reporter.report(' ', "Vantcom.ini", "cannot be written", kLoggedNoteCode);
    EXPECT_EQ(output.lines.at(0), "  09:05:07 Dialing 555 \n");
    EXPECT_EQ(output.lines.at(1), "  09:05:07 Vantcom.ini cannot be written \n");
    EXPECT_TRUE(output.boxes.empty());
    EXPECT_EQ(logText(), "  09:05:07 Vantcom.ini cannot be written \r\n");
}

TEST_F(HostReporter, BoxesOnlyForFailuresInCommandLineMode) {
    settings.SHOW_ERROR_BOX = true;
    reporter.report('A', "Cold Start", "", 4);  // interactive: never a box
    EXPECT_TRUE(output.boxes.empty());
    state.commandLineMode = true;
    reporter.report('A', "Cold Start", "", 0);
    EXPECT_TRUE(output.boxes.empty());
    reporter.report('A', "Cold Start", "x", 4);
    ASSERT_EQ(output.boxes.size(), 1u);
    EXPECT_EQ(output.boxes[0], "A Cold Start x Time out (terminal A did not answer within 400 ms)");
    settings.SHOW_ERROR_BOX = false;
    reporter.report('A', "Cold Start", "", 4);
    EXPECT_EQ(output.boxes.size(), 1u);
}

TEST_F(HostReporter, LogModeNoWritesNothing) {
    writeFile(log.path(), "old\r\n");
    settings.ErrorLog = ErrorLogMode::No;
    EXPECT_TRUE(log.open(ErrorLogMode::No));
    reporter.report('A', "Cold Start", "", 4);
    EXPECT_EQ(readFile(log.path()), "old\r\n");
}

TEST_F(HostReporter, AppendKeepsAndNewTruncatesBothCreate) {
    writeFile(log.path(), "old\r\n");
    openLog(ErrorLogMode::Append);
    reporter.report('A', "Warm start", "", 0);
    EXPECT_EQ(logText(), "old\r\nA 09:05:07 Warm start  Successfully\r\n");

    openLog(ErrorLogMode::New);
    reporter.report('A', "Warm start", "", 0);
    EXPECT_EQ(logText(), "A 09:05:07 Warm start  Successfully\r\n");

    for (const auto mode : {ErrorLogMode::Append, ErrorLogMode::New}) {
        std::filesystem::remove(log.path());
        openLog(mode);
        reporter.report('A', "Run", "", 2);
        EXPECT_EQ(logText(), "A 09:05:07 Run  Illegal command\r\n");
    }
}

TEST_F(HostReporter, LogHeldByAnotherWriterIsRefusedAndKept) {
    writeFile(log.path(), "theirs\r\n");
    ErrorLog other(log.path());
    ASSERT_TRUE(other.open(ErrorLogMode::Append));
    EXPECT_FALSE(log.open(ErrorLogMode::New));
    EXPECT_FALSE(log.open(ErrorLogMode::Append));
    EXPECT_FALSE(log.isOpen());
    other.close();
    EXPECT_EQ(readFile(log.path()), "theirs\r\n");
}

TEST_F(HostReporter, UnwritableFolderFailsToOpen) {
    ErrorLog missing(folder.file("no/such/ERR_LOG.TXT"));
    EXPECT_FALSE(missing.open(ErrorLogMode::Append));
    EXPECT_FALSE(missing.open(ErrorLogMode::New));
    EXPECT_TRUE(missing.open(ErrorLogMode::No));
}

// Standard error is the journal's stream only where JOURNAL_STREAM names it: there each line
// leads with its priority, anywhere else with nothing, as it always did.
TEST(HostJournalPriority, ALineLeadsWithItsPriorityOnlyInTheJournal) {
    const struct {
        MessageKind kind;
        std::string_view priority;
    } rows[] = {
        {reportKind("Poll", 0), "<6>"},
        {reportKind("Open COM1", kNoteCode), "<6>"},
        {reportKind("COM1 line back", kNoteCode), "<6>"},
        {reportKind("Upload ", 0), "<6>"},
        {reportKind("Upload ", 4), "<3>"},
        {reportKind("Download ", 49), "<3>"},
        {reportKind("Poll not stored", kLoggedNoteCode), "<3>"},
        {reportKind("Vantcom.ini", kLoggedNoteCode), "<3>"},
        {reportKind("Run ", 52), "<3>"},
        {reportKind("Poll", 4), "<4>"},
        {reportKind("Poll", 3), "<4>"},
        {reportKind("Poll", 6), "<4>"},
        {reportKind("Poll", 2), "<4>"},
        {reportKind("COM1 line lost:", kNoteCode), "<4>"},
        {reportKind("token.txt", kLoggedNoteCode), "<4>"},
        {boxKind(BoxSeverity::Stop, "COM1 open error"), "<3>"},
        {boxKind(BoxSeverity::Plain, "Poll Data file open error"), "<3>"},
        {boxKind(BoxSeverity::Warning, "Error log file open error"), "<3>"},
        {boxKind(BoxSeverity::Warning, "Please select a file"), "<4>"},
        {boxKind(BoxSeverity::Plain, "No Phone number"), "<6>"},
    };
    struct stat status {};
    ASSERT_EQ(fstat(STDERR_FILENO, &status), 0);
    const std::string ours = std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
    for (const char* stream : {ours.c_str(), "1:2", static_cast<const char*>(nullptr)}) {
        if (stream)
            setenv("JOURNAL_STREAM", stream, 1);
        else
            unsetenv("JOURNAL_STREAM");
        for (std::size_t row = 0; row < std::size(rows); ++row) {
            EXPECT_EQ(journalPrefix(rows[row].kind),
                      stream == ours.c_str() ? rows[row].priority : "")
                << "row " << row << ", JOURNAL_STREAM " << (stream ? stream : "unset");
        }
    }
}
