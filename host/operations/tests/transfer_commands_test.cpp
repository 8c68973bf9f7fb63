#include <gtest/gtest.h>

#include <filesystem>

#include "command_ids.h"
#include "fake_host.h"
#include "file_transfers.h"
#include "inquiry_commands.h"
#include "scripted_transfer_link.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

class FakeChooser : public TransferFileChooser {
public:
    std::optional<FileChoice> choosePcFiles(const FileChoiceInput& input) override {
        asked = input;
        return choice;
    }
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) override {
        asked = input;
        return choice;
    }
    std::optional<FileChoice> choice;
    FileChoiceInput asked;
};

class HostTransfers : public ::testing::Test {
protected:
    void SetUp() override { host.settings().Address = "A"; }
    void commandLine(std::vector<std::string> tokens) {
        host.settings().Address = tokens[0];
        host.state().commandTokens = std::move(tokens);
        host.state().commandLineMode = true;
    }
    std::vector<std::string> operations() const {
        std::vector<std::string> texts;
        for (const auto& r : host.reports) texts.push_back(r.operation + "|" + r.detail);
        return texts;
    }
    TerminalStatus status(int index) { return host.state().status[index]; }
    // Every file below the working folder, as paths relative to it.
    std::vector<std::string> filesWritten() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(host.folder.path()))
            if (entry.is_regular_file())
                files.push_back(entry.path().lexically_relative(host.folder.path()).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    FakeHost host;
    FakePrompts prompts;
    ScriptedTransferLink link;
    FakeChooser chooser;
    FileTransfers transfers{host, link, prompts, chooser};
};

using Strings = std::vector<std::string>;

TEST_F(HostTransfers, DownloadResultsGiveTheirStatusAndReport) {
    struct Case {
        int start, end;
        TerminalStatus status;
    };
    const Case cases[] = {{RC_SUCCESS, RC_SUCCESS, TerminalStatus::Done},
                          {RC_NOT_EXIST, 0, TerminalStatus::FileMissing},
                          {RC_TIME_OUT, 0, TerminalStatus::Failed},
                          {RC_SUCCESS, RC_TIME_OUT, TerminalStatus::Failed}};  // cut mid-file
    host.settings().DownloadFiles[0] = "PROG.EXE";
    for (const Case& c : cases) {
        host.reports.clear();
        link.downloadStart = [&](char, const std::string&) { return c.start; };
        link.endResult = c.end;
        transfers.download();
        EXPECT_EQ(status(0), c.status) << c.start << " " << c.end;
        ASSERT_EQ(host.reports.size(), 1u);
        EXPECT_EQ(host.reports[0].operation, "Download ");
        EXPECT_EQ(host.reports[0].detail, "PROG.EXE");
        EXPECT_EQ(host.reports[0].code, c.start ? c.start : c.end);
    }
    EXPECT_EQ(link.lastPcPath, host.folder.file("PROG.EXE"));  // relative: in the work folder
    EXPECT_TRUE(host.state().isReady());
    EXPECT_FALSE(host.progressShown);
}

TEST_F(HostTransfers, TerminalNameIsTheBaseNameWithTheEmsPrefixOnlyWhenConfirmed) {
    auto& files = host.settings().DownloadFiles;
    files[0] = "C:\\TOOLS\\PROG.EXE";
    files[1] = "/srv/apps/LOGO.BMP";
    files[2] = "PLAIN.DAT";
    files[3] = "/srv/apps/";  // a folder: no name to send under
    transfers.download();
    EXPECT_EQ(link.calls, (Strings{"dl A PROG.EXE", "dl A LOGO.BMP", "dl A PLAIN.DAT"}));
    EXPECT_EQ(host.reports.back().code, RC_ILLEGAL_FILE_NAME);
    EXPECT_TRUE(prompts.questions.empty());  // not a VS19

    host.settings().Terminal_type = TerminalType::VS19;
    files[1] = files[2] = files[3] = "";
    for (bool yes : {true, false}) {
        link.calls.clear();
        prompts.yes = yes;
        transfers.download();
        EXPECT_EQ(link.calls.at(0), yes ? "dl A C:PROG.EXE" : "dl A PROG.EXE");
    }
    EXPECT_EQ(prompts.questions, (Strings{"Download to EMS?", "Download to EMS?"}));
}

TEST_F(HostTransfers, TerminalThatDoesNotWakeIsSkippedWithOneReport) {
    host.settings().Power_Saving = true;
    host.settings().DownloadFiles[0] = "PROG.EXE";
    host.settings().UploadFiles[0] = "DATA.TXT";
    link.wakeResult = [](char) { return RC_TIME_OUT; };
    transfers.download();
    transfers.upload();
    EXPECT_EQ(operations(), (Strings{"Power-Saving off| ", "Power-Saving off| "}));
    EXPECT_EQ(link.callsStartingWith("dl"), 0);
    EXPECT_EQ(link.callsStartingWith("ul"), 0);
    EXPECT_EQ(link.callsStartingWith("on"), 0);
    EXPECT_EQ(status(0), TerminalStatus::Idle);
    EXPECT_EQ(link.calls.back(), "status 1");  // the library wakes terminals again afterwards
}

TEST_F(HostTransfers, WrapAroundTheFilesLeavesTheLastStepsStatus) {
    host.settings().Power_Saving = true;
    host.settings().DownloadFiles[0] = "PROG.EXE";
    link.sleepResult = [](char) { return RC_TIME_OUT; };
    // No other command may start during the opening pause.
    link.afterDelay = [this](int) { EXPECT_FALSE(host.state().isReady()); };
    transfers.download();
    EXPECT_EQ(link.calls,
              (Strings{"status 0", "off A", "dl A PROG.EXE", "status 0", "on A", "status 1"}));
    EXPECT_EQ(operations(),
              (Strings{"Power-Saving off| ", "Download |PROG.EXE", "Power-Saving on| "}));
    EXPECT_EQ(status(0), TerminalStatus::Idle);
}

TEST_F(HostTransfers, EmptyListsSendNothing) {
    transfers.download();
    transfers.upload();
    EXPECT_EQ(prompts.messages, (Strings{"No file to be setting", "No file to be setting"}));
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.connectAttempts, 0);
}

TEST_F(HostTransfers, UploadOfAMissingFileIsNotPurged) {
    host.settings().UploadFiles[0] = "DATA.TXT";
    host.settings().UploadDeletes[0] = true;
    link.uploadStart = [](char, const std::string&) { return RC_NOT_EXIST; };
    transfers.upload();
    EXPECT_EQ(status(0), TerminalStatus::FileMissing);
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].code, RC_NOT_EXIST);
    EXPECT_EQ(link.callsStartingWith("del"), 0);
}

TEST_F(HostTransfers, PurgeFollowsItsFileAndAFailedPurgeStillLeavesDone) {
    auto& settings = host.settings();
    settings.UploadFiles = {"F1", "F2", "F3"};
    settings.UploadDeletes[2] = true;
    link.deleteResult = RC_NOT_EXIST;
    transfers.upload();
    EXPECT_EQ(operations(), (Strings{"Upload |F1", "Upload |F2", "Upload |F3", "Purge |F3"}));
    EXPECT_EQ(host.reports.back().code, RC_NOT_EXIST);
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(filesWritten(), (Strings{"ADDR_A/F1", "ADDR_A/F2", "ADDR_A/F3"}));
    // From EMS the file that arrived is the one deleted, kept on the PC under its plain name.
    settings.Terminal_type = TerminalType::VS19;
    settings.UploadFiles = {"F3"};
    settings.UploadDeletes = {true};
    prompts.yes = true;
    link.calls.clear();
    transfers.upload();
    EXPECT_EQ(link.calls, (Strings{"ul A C:F3 " + host.folder.file("ADDR_A/F3"), "del A C:F3"}));
}

TEST_F(HostTransfers, UnsafeNamesAreRefusedAndNothingLandsOutsideTheTerminalsFolder) {
    host.settings().Address = "AB";
    host.setCommandHandler(ID_INQ_DIRECTORY, [this] {
        host.state().directory[0] = "../x,a/b,GOOD.DAT";
        host.setConnected(true);
    });
    chooser.choice = FileChoice{{"../x", "a/b", "..", "c\\d", "GOOD.DAT"}, 'A', 1};
    transfers.uploadFromDir();
    EXPECT_EQ(chooser.asked.listings.at(0), "../x,a/b,GOOD.DAT");
    EXPECT_EQ(link.callsStartingWith("ul"), 2);  // GOOD.DAT from A and from B
    EXPECT_EQ(host.reportsWithCode(RC_ILLEGAL_FILE_NAME), 8);
    EXPECT_EQ(filesWritten(), (Strings{"ADDR_A/GOOD.DAT", "ADDR_B/GOOD.DAT"}));
    // The Upload list and the command line's list form go through the same rule.
    host.reports.clear();
    // So is an entry whose PC file another entry fills: its terminal file is never deleted.
    host.settings().UploadFiles = {"../../etc/x", "C:..", "OK/ROM", "C:OK"};
    host.settings().UploadDeletes = {true, true, true, true};
    transfers.upload();
    EXPECT_EQ(host.reportsWithCode(RC_ILLEGAL_FILE_NAME), 6);
    EXPECT_EQ(link.callsStartingWith("del"), 2);   // OK/ROM on A and B
    EXPECT_EQ(status(0), TerminalStatus::Failed);  // the last entry was refused
    EXPECT_EQ(filesWritten(),
              (Strings{"ADDR_A/GOOD.DAT", "ADDR_A/OK", "ADDR_B/GOOD.DAT", "ADDR_B/OK"}));
}

TEST_F(HostTransfers, SingleTerminalChoiceNarrowsTheCommandToItsAddress) {
    host.settings().Address = "ABC";
    chooser.choice = FileChoice{{"/srv/P1.EXE"}, 'B', 0};
    transfers.downloadFromDir();
    EXPECT_EQ(link.calls, Strings{"dl B P1.EXE"});
    EXPECT_EQ(chooser.asked.addresses, "ABC");
    EXPECT_EQ(link.delays, (std::vector<int>{20, 200}));
    EXPECT_EQ(status(0), TerminalStatus::Idle);  // never addressed
}

TEST_F(HostTransfers, FolderThatCannotBeMadeEndsTheUploadLoop) {
    host.settings().UploadFiles[0] = "DATA.TXT";
    host.settings().Upload_Loop = true;
    writeFile(host.folder.file("ADDR_A"), "a file where the folder should be");
    transfers.upload();
    EXPECT_EQ(prompts.messages,
              Strings{"Drectory '" + host.folder.file("ADDR_A") + "' can't be created"});
    EXPECT_EQ(link.callsStartingWith("ul"), 0);
    EXPECT_TRUE(host.state().isReady());
}

TEST_F(HostTransfers, StopEndsTheFileInTransferAtItsNextBlockAndTellsTheTerminal) {
    host.settings().Address = "ABC";
    host.settings().DownloadFiles = {"F1", "F2"};
    host.settings().UploadFiles = {"F1"};
    host.settings().UploadDeletes = {true};
    link.afterBlock = [this](char address, const std::string&) {
        if (address == 'B') host.setReady(true);  // Stop
    };
    transfers.download();
    transfers.upload();
    EXPECT_EQ(link.calls, (Strings{"dl A F1", "dl A F2", "dl B F1", "cancel dl B",
                                   "ul A F1 " + host.folder.file("ADDR_A/F1"), "del A F1",
                                   "ul B F1 " + host.folder.file("ADDR_B/F1"), "cancel ul B"}));
    EXPECT_EQ(host.reportLines().at(2), "B|Download |F1|8");  // reported as a failed file
    EXPECT_EQ(status(1), TerminalStatus::Failed);
    EXPECT_EQ(status(2), TerminalStatus::Idle);
}

// The pauses between the calls as each model and the power-saving wrap need them.
TEST_F(HostTransfers, CallSequencesHoldTheirPausesAndQuestions) {
    std::string wrapped = "w20,status 0,off A,";  // the power-saving settle, then the wake-up
    for (int i = 0; i < 10; ++i) wrapped += "w500,";
    wrapped += "status 0,off A,ul A F1,w1000,del A F1,status 0,on A,status 1,";
    using T = TerminalType;
    const auto dl = &FileTransfers::download, ul = &FileTransfers::upload,
               dir = &FileTransfers::uploadFromDir;
    const std::tuple<T, bool, decltype(dl), const char*, std::string> cases[] = {
        {T::VS19, false, dl, "Download to EMS?", "w20,dl A C:F1,w1500,w2000,"},
        {T::VS19, false, ul, "Upload from EMS?", "w20,ul A C:F1,w1000,del A C:F1,w1000,w2000,"},
        {T::VS17, true, ul, "", wrapped},
        {T::VS15, false, dir, "", "w2,ul A F1,w1000,"}};
    host.settings().DownloadFiles = host.settings().UploadFiles = {"F1"};
    host.settings().UploadDeletes = {true};
    host.setCommandHandler(ID_INQ_DIRECTORY, [this] { host.setConnected(true); });
    chooser.choice = FileChoice{{"F1"}, 'A', 1};
    prompts.yes = true;
    link.afterDelay = [this](int ms) { link.calls.push_back("w" + std::to_string(ms)); };
    for (const auto& [type, powerSaving, command, question, expected] : cases) {
        link.calls.clear();
        prompts.questions.clear();
        host.settings().Terminal_type = type;
        host.settings().Power_Saving = powerSaving;
        (transfers.*command)();
        std::string calls;  // an upload's PC path left out
        for (const std::string& call : link.calls)
            calls += (call.starts_with("ul ") ? call.substr(0, call.rfind(' ')) : call) + ",";
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(prompts.questions, *question ? Strings{question} : Strings{}) << expected;
    }
}

TEST_F(HostTransfers, UploadLoopWaitsAfterSuccessAndStopEndsTheWaitWithinASecond) {
    host.settings().UploadFiles[0] = "DATA.TXT";
    host.settings().Upload_Loop = true;
    host.settings().Upload_Period = 60;
    std::vector<int> secondsLeft;
    int afterStopMs = -1;
    link.afterDelay = [&](int ms) {
        if (!host.state().uploadWaiting) return;
        if (afterStopMs >= 0) {
            afterStopMs += ms;
            return;
        }
        secondsLeft.push_back(host.state().uploadSecondsLeft);
        if (link.delayedMs() >= 20 + 60000 + 2500) {  // Stop during this pause
            host.setReady(true);
            afterStopMs = ms;
        }
    };
    transfers.upload();
    EXPECT_EQ(link.callsStartingWith("mode"), 2);
    EXPECT_EQ(link.callsStartingWith("ul"), 2);
    EXPECT_LE(afterStopMs, 1000);
    ASSERT_GT(secondsLeft.size(), 600u);
    EXPECT_EQ(secondsLeft.front(), 60);
    EXPECT_EQ(secondsLeft[599], 1);  // the first wait's last step
    EXPECT_EQ(secondsLeft[600], 60);
    EXPECT_FALSE(host.state().uploadWaiting);
}

TEST_F(HostTransfers, UploadLoopRetriesAFailureAtOnceAndNeverSpinsWithoutCalls) {
    host.settings().UploadFiles[0] = "DATA.TXT";
    host.settings().Upload_Loop = true;
    host.settings().Upload_Period = 0;
    // Three failing passes, then nobody selected: the passes call nobody.
    int passes = 0;
    link.uploadStart = [&](char, const std::string&) {
        if (++passes == 3) host.state().selection[0] = 0;
        return RC_TIME_OUT;
    };
    link.afterDelay = [&](int) {
        if (link.delayedMs() >= 20 + 2000) host.setReady(true);
    };
    host.afterRedraw = [&] {
        if (host.redraws > 10000) host.setReady(true);  // spinning: end it, and fail below
    };
    transfers.upload();
    EXPECT_LT(host.redraws, 10000);
    EXPECT_EQ(passes, 3);
    // The start pause and no wait between the failing passes; then at least a second per
    // empty pass, even with a period of 0.
    EXPECT_EQ(link.delays.front(), 20);
    EXPECT_EQ(link.delayedMs(), 20 + 2000);
}

TEST_F(HostTransfers, CommandLineDownloadTriesUpToItsCountUntilOneArrives) {
    commandLine({"A", "L", "SRC.EXE", "DST.EXE", "3"});
    link.downloadStart = [](char, const std::string&) { return RC_TIME_OUT; };
    transfers.download();
    EXPECT_EQ(link.calls, (Strings(3, "dl A DST.EXE")));
    EXPECT_EQ(operations(), (Strings(3, "Download |SRC.EXE")));
    EXPECT_EQ(host.closes, 1);  // AUTO_EXIT
    link.calls.clear();
    link.downloadStart = [](char, const std::string&) { return RC_SUCCESS; };
    transfers.download();
    EXPECT_EQ(link.calls.size(), 1u);
    // A count that is no number still tries once.
    for (const char* count : {"0", "x"}) {
        link.calls.clear();
        commandLine({"A", "L", "SRC.EXE", "DST.EXE", count});
        transfers.download();
        EXPECT_EQ(link.calls.size(), 1u) << count;
    }
}

TEST_F(HostTransfers, CommandLineUploadStoresTheDestinationAndOtherTokensUseTheList) {
    commandLine({"A", "U", "DATA.TXT", "OUT.TXT"});
    transfers.upload();
    EXPECT_EQ(link.calls, Strings{"ul A DATA.TXT " + host.folder.file("OUT.TXT")});
    EXPECT_EQ(host.closes, 1);
    // Still in command-line mode, but the tokens are those of another command: the list.
    link.calls.clear();
    commandLine({"A", "1"});
    host.settings().UploadFiles[0] = "LIST.TXT";
    transfers.upload();
    EXPECT_EQ(link.calls, Strings{"ul A LIST.TXT " + host.folder.file("ADDR_A/LIST.TXT")});
}

TEST_F(HostTransfers, ProgressFollowsEachBlockAndEndsWithTheCommand) {
    host.settings().DownloadFiles[0] = "PROG.EXE";
    host.settings().UploadFiles[0] = "DATA.TXT";
    link.uploadStart = [](char, const std::string&) { return RC_SUCCESS; };
    link.savedAs = [](const std::string& path) { return path + "0"; };  // a free name
    transfers.download();
    EXPECT_EQ(host.progress.size(), 4u);  // three blocks and the end
    EXPECT_EQ(host.progress[2], (std::pair<std::int64_t, std::int64_t>{300, 300}));
    EXPECT_EQ(host.state().totalBytes, 300);
    host.progress.clear();
    transfers.upload();
    EXPECT_EQ(host.progress[1], (std::pair<std::int64_t, std::int64_t>{200, 0}));
    EXPECT_EQ(host.state().pcFileName, host.folder.file("ADDR_A/DATA.TXT0"));
    EXPECT_FALSE(host.progressShown);
}

TEST(HostTransferLink, PathTooLongForTheLibrarysBufferIsRefusedNotCut) {
    std::string path = "/tmp/" + std::string(VANTLINK_LOCAL_PATH, 'x');
    const std::string asked = path;
    EXPECT_EQ(libraryTransferLink().upload1(1, 'A', "F", path), RC_FILE_OPEN_ERROR);
    EXPECT_EQ(path, asked);
}

class HostInquiryDirectory : public ::testing::Test {
protected:
    class Link : public InquiryLink {
    public:
        int directory(int, char address, std::string& listing) override {
            listing = "PART,";  // a failure may leave part of a listing
            if (address != 'A') return results.at(address);
            listing = "F1.DAT,F2.DAT";
            return RC_SUCCESS;
        }
        std::map<char, int> results;
    };
    FakeHost host;
    FakePrompts prompts;
    Link link;
    InquiryCommands inquiries{host, link, prompts};
};

TEST_F(HostInquiryDirectory, ListingKeptOnSuccessEmptiedOnFailureUntouchedOnNoData) {
    host.settings().Address = "ABC";
    link.results = {{'B', RC_TIME_OUT}, {'C', RC_NO_DATA}};
    for (auto& listing : host.state().directory) listing = "OLD";
    inquiries.directory();
    const auto& state = host.state();
    EXPECT_EQ(state.directory[0], "F1.DAT,F2.DAT");
    EXPECT_EQ(state.directory[1], "");
    EXPECT_EQ(state.directory[2], "OLD");
    EXPECT_EQ(state.status[0], TerminalStatus::Done);
    EXPECT_EQ(state.status[1], TerminalStatus::TimeOut);
    EXPECT_EQ(state.status[2], TerminalStatus::Addressed);
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[0].operation, "Get Directory  ");
    EXPECT_EQ(host.reports[0].detail, "F1.DAT,F2.DAT");
    EXPECT_EQ(host.reports[1].operation, "Get Directory ");
    EXPECT_EQ(host.reports[1].detail, "");
}

}  // namespace
