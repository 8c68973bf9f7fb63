#include "poll_engine.h"

#include <gtest/gtest.h>

#include "fake_host.h"
#include "record_text.h"
#include "scripted_link.h"
#include "token_file.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

PollAnswer record(std::string data) {
    return {RC_SUCCESS, std::move(data)};
}
const PollAnswer kNoData{RC_NO_DATA, {}};
const PollAnswer kTimeOut{RC_TIME_OUT, {}};
const PollAnswer kNak{RC_HOST_NAK, {}};

class HostPollingEngine : public ::testing::Test {
protected:
    void SetUp() override {
        host.settings().Token_file = false;
        host.settings().Address = "A";
        host.settings().Port = 3;
        host.asideOperation = "Poll ended, records from";
    }
    void stopAfterPolls(std::size_t count) {
        link.afterPoll = [this, count] {
            if (link.polled.size() >= count) host.setReady(true);
        };
    }
    // Answers taken in turn from a list; no data once it is used up.
    void answerInTurn(std::vector<PollAnswer> answers) {
        link.answer = [this, answers = std::move(answers)](char) {
            return turn < answers.size() ? answers[turn++] : kNoData;
        };
    }
    std::string dataFile() const { return readFile(host.folder.file("POLL.DAT")); }
    std::string tokenFile() const { return readFile(host.folder.file("token.txt")); }

    FakeHost host;
    FakePrompts prompts;
    FakeClock clock;
    ScriptedLink link{clock};
    PollEngine engine{host, link, clock, prompts};
    std::size_t turn = 0;
};

TEST_F(HostPollingEngine, DeadTerminalGetsOnePollPerRefillBusyOneSixteen) {
    host.settings().Address = "AB";
    link.answer = [](char address) { return address == 'A' ? kTimeOut : record("x"); };
    stopAfterPolls(2 * 17 + 1);
    engine.run();
    const std::string round = "A" + std::string(16, 'B');
    EXPECT_EQ(link.polled, round + round + "A");
    EXPECT_EQ(engine.polling(0).weight, 1);
    EXPECT_EQ(engine.polling(0).credit, 0);
    EXPECT_EQ(engine.polling(1).weight, kPollWeightMax);
    EXPECT_EQ(link.lastPort, 3);
    EXPECT_EQ(host.reportsWithCode(RC_TIME_OUT), 3);  // MaxError 1: every time-out
    ASSERT_EQ(host.aside.size(), 1u);
    EXPECT_EQ(host.aside[0].detail, "A: 0, B: 32");
    EXPECT_EQ(host.state().status[0], TerminalStatus::TimeOut);
    EXPECT_EQ(host.state().status[1], TerminalStatus::Transferring);
}

TEST_F(HostPollingEngine, NoDataLowersTheWeightDataRaisesIt) {
    host.settings().Address = "AB";
    link.answer = [](char address) { return address == 'A' ? kNoData : record("x"); };
    stopAfterPolls(40);
    engine.run();
    EXPECT_EQ(engine.polling(0).weight, 1);
    EXPECT_EQ(engine.polling(1).weight, kPollWeightMax);
    EXPECT_EQ(host.state().status[0], TerminalStatus::Addressed);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(HostPollingEngine, MaxErrorCountsOnlyConsecutiveTimeOutsOfTheAddress) {
    host.settings().MaxError = 3;
    answerInTurn({kTimeOut, kTimeOut, record("r"), kTimeOut, kTimeOut, kTimeOut, kTimeOut, kTimeOut,
                  kTimeOut});
    stopAfterPolls(9);
    engine.run();
    // The record resets the count: reports at the 6th and 9th poll only.
    EXPECT_EQ(host.reportsWithCode(RC_TIME_OUT), 2);
}

// Every terminal times out while the line is away: one note when it goes, one when it is back,
// no time-out report per terminal meanwhile, and the count towards MaxError starts afresh.
TEST_F(HostPollingEngine, LostLineIsNotedOnceEachWayWithoutTimeOutReportsMeanwhile) {
    host.settings().Address = "AB";
    host.settings().MaxError = 2;
    // Polls 1-3 bring records, 4-29 find the line away, 30-34 bring records, 35-37 find it
    // away again until it is back on another device, 38-39 bring records, then time-outs; from
    // 42 on, yet another device, after a loss no poll saw.
    const std::string otherDevice = "/dev/serial/by-id/usb-X now names /dev/ttyUSB1 (188:1)";
    const std::string thirdDevice = "/dev/serial/by-id/usb-X now names /dev/ttyUSB2 (188:2)";
    link.answer = [this, otherDevice, thirdDevice](char) {
        const std::size_t poll = link.polled.size();  // this one included
        link.lost = (poll >= 4 && poll < 30) || (poll >= 35 && poll < 38);
        link.otherDevice = poll >= 42 ? thirdDevice : poll >= 38 ? otherDevice : "";
        if (link.lost) return kTimeOut;
        return poll < 40 ? record("r") : kTimeOut;
    };
    stopAfterPolls(44);
    engine.run();
    EXPECT_EQ(link.polled.size(), 44u);
    std::vector<std::string> notes;
    for (const auto& r : host.reports)
        if (r.code == kNoteCode) notes.push_back(r.operation + "|" + r.detail);
    const std::vector<std::string> expected = {"COM3 line lost:|No such device: /dev/ttyUSB0",
                                               "COM3 line back|",
                                               "COM3 line lost:|No such device: /dev/ttyUSB0",
                                               "COM3 line back on another device:|" + otherDevice,
                                               "COM3 line back on another device:|" + thirdDevice};
    EXPECT_EQ(notes, expected);
    // Back on the line, A and B time out in turn (A B A B A): one report each at the second.
    EXPECT_EQ(host.reportsWithCode(RC_TIME_OUT), 2);
    const std::string data = dataFile();
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 3 + 5 + 2);
}

TEST_F(HostPollingEngine, OneNakIsQuietTwoInARowAreReported) {
    answerInTurn({kNak, record("r"), kNak, kNak, kNak, kNoData, kNak});
    stopAfterPolls(7);
    engine.run();
    EXPECT_EQ(host.reportsWithCode(RC_HOST_NAK), 2);  // the 4th and 5th poll
    EXPECT_EQ(host.state().status[0], TerminalStatus::Failed);
}

TEST_F(HostPollingEngine, OtherResultsAreReportedAndPollingGoesOn) {
    answerInTurn({{RC_UNKNOWN_RESPONSE, {}}, record("r")});
    stopAfterPolls(3);
    engine.run();
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].operation, "Poll");
    EXPECT_EQ(host.reports[0].code, RC_UNKNOWN_RESPONSE);
    EXPECT_EQ(dataFile(), "A r\r\n");
}

TEST_F(HostPollingEngine, RecordGoesToFileAndPaneWithTheTimeUnderThePicture) {
    clock.setTimeOfDay(9, 5, 7);
    writeFile(host.folder.file("POLL.DAT"), "Z earlier\r\n");
    answerInTurn({record("4006381333931"), record("second")});
    stopAfterPolls(2);
    engine.run();
    EXPECT_EQ(dataFile(), "Z earlier\r\nA 4006381333931\r\nA second\r\n");
    EXPECT_EQ(host.dataPane, "A 4006381333931\nA second\n");
    EXPECT_TRUE(host.state().dataWindowShown);
    EXPECT_EQ(host.state().lastDataTime[0], "09:05:07  ");
    EXPECT_EQ(host.state().panelMode, PanelMode::Polling);
    EXPECT_TRUE(host.state().isReady());
}

TEST_F(HostPollingEngine, NewWithoutTokenEmptiesTheFileOnceAtTheStart) {
    host.settings().Open_Method = PollOpenMethod::New;
    writeFile(host.folder.file("POLL.DAT"), "A old\r\n");
    answerInTurn({record("1"), record("2")});
    stopAfterPolls(2);
    engine.run();
    EXPECT_EQ(dataFile(), "A 1\r\nA 2\r\n");
}

TEST_F(HostPollingEngine, NewWithTokenReplacesTheFileWithEachRecord) {
    host.settings().Open_Method = PollOpenMethod::New;
    host.settings().Token_file = true;
    writeFile(host.folder.file("token.txt"), "Available  ");
    answerInTurn({record("1"), record("2")});
    stopAfterPolls(2);
    engine.run();
    EXPECT_EQ(dataFile(), "A 2\r\n");
    EXPECT_EQ(tokenFile(), "Available  ");
}

TEST_F(HostPollingEngine, HeldTokenIsWaitedForThenTakenAndGivenBack) {
    host.settings().Token_file = true;
    writeFile(host.folder.file("token.txt"), "Unavailable");
    answerInTurn({record("kept")});
    stopAfterPolls(2);  // Stop once the record is dealt with
    link.afterDelay = [this] {
        EXPECT_EQ(dataFile(), "");  // nothing written while the other program holds it
        if (link.delays == 5) writeFile(host.folder.file("token.txt"), "Available  ");
    };
    engine.run();
    EXPECT_EQ(link.delays, 5);  // checked every 300 ms until released
    EXPECT_EQ(clock.elapsedMs(), 2 * 10 + 5 * 300);
    EXPECT_EQ(dataFile(), "A kept\r\n");
    EXPECT_EQ(tokenFile(), "Available  ");
    EXPECT_TRUE(host.reports.empty());
}

// A token held for over a minute is told once; Stop then keeps the record in hand in the log,
// whole, as not stored: no file was opened, so no file error is reported.
TEST_F(HostPollingEngine, StopDuringTheTokenWaitKeepsTheRecordVisible) {
    host.settings().Token_file = true;
    writeFile(host.folder.file("token.txt"), "Unavailable");
    answerInTurn({record("A0001 scanned")});
    link.afterDelay = [this] {
        if (link.delays == 210) host.setReady(true);  // Stop after 63 seconds
    };
    engine.run();
    EXPECT_EQ(dataFile(), "");
    EXPECT_EQ(tokenFile(), "Unavailable");  // still the other program's
    // A few short tries after Stop, never the full pace: the program ends within a second.
    EXPECT_LE(clock.elapsedMs(), 10 + 210 * 300 + 8 * 50);
    EXPECT_EQ(host.dataPane, "A A0001 scanned\n");
    EXPECT_EQ(host.reportLines(),
              (std::vector<std::string>{
                  " |token.txt|waited for over a minute: Unavailable, held by another program|-2",
                  "A|Poll not stored|A0001 scanned|-2"}));
    EXPECT_EQ(link.polled, "A");
}

// A holder of this host whose process has ended would stall every line for good.
TEST_F(HostPollingEngine, TokenOfAnEndedHolderOnThisHostIsTakenOverAndLogged) {
    host.settings().Token_file = true;
    TokenHolder ended = thisProcessAsHolder();
    ++ended.start;  // the process id now belongs to another process
    writeFile(host.folder.file("token.txt"), "Unavailable" + holderText(ended));
    answerInTurn({record("kept")});
    stopAfterPolls(1);
    engine.run();
    EXPECT_EQ(dataFile(), "A kept\r\n");
    EXPECT_EQ(tokenFile(), "Available  ");
    EXPECT_EQ(link.delays, 0);
    EXPECT_EQ(host.reportLines(),
              std::vector<std::string>{" |token.txt|taken over from " + holderDescription(ended) +
                                       ", which has ended|-2"});
}

// The record in hand was acknowledged: a token the other host gives back soon after Stop
// still takes it to the data file, with short waits so the program ends within a second.
TEST_F(HostPollingEngine, StopDuringTheTokenWaitStillStoresTheRecordWhenTheTokenComesSoon) {
    host.settings().Token_file = true;
    writeFile(host.folder.file("token.txt"), "Unavailable");
    answerInTurn({record("A0002 scanned")});
    link.afterDelay = [this] {
        if (link.delays == 2) host.setReady(true);  // Stop
        if (link.delays == 6) writeFile(host.folder.file("token.txt"), "Available  ");
    };
    engine.run();
    EXPECT_EQ(dataFile(), "A A0002 scanned\r\n");
    EXPECT_EQ(tokenFile(), "Available  ");
    EXPECT_TRUE(host.reports.empty());
    EXPECT_EQ(link.polled, "A");
    EXPECT_LE(clock.elapsedMs(), 10 + 2 * 300 + 4 * 50);
}

TEST_F(HostPollingEngine, MissingTokenFileIsRetriedWithABoxAboutEveryThousandFailures) {
    host.settings().Token_file = true;
    answerInTurn({record("r")});
    link.afterDelay = [this] {
        if (link.delays == 1005) host.setReady(true);
    };
    engine.run();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Token.TXT can't be open(try 1000 time)");
    EXPECT_FALSE(std::filesystem::exists(host.folder.file("token.txt")));
}

TEST_F(HostPollingEngine, UnopenableDataFileKeepsEveryRecordVisibleAndRetries) {
    host.settings().File_Name = "no-such-folder/POLL.DAT";
    answerInTurn({record("one"), record("two")});
    stopAfterPolls(2);
    engine.run();
    // Once at the start of the command, then once for each record.
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[2], "Poll Data file open error");
    EXPECT_EQ(host.dataPane, "A one\nA two\n");
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[1].detail, "two");
}

// The reporter makes terminal text one safe line; escaped here too, a backslash would reach
// the error log doubled and the record could no longer be read back from it.
TEST_F(HostPollingEngine, UnstoredRecordReachesTheReporterAsTheTerminalSentIt) {
    host.settings().File_Name = "no-such-folder/POLL.DAT";
    const std::string hostile("a\\b\r\nA forged\0", 14);
    answerInTurn({record(hostile)});
    stopAfterPolls(1);
    engine.run();
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].detail, hostile);
}

TEST_F(HostPollingEngine, RecordWithLineBreaksAndNulStaysOneLineUnderItsAddress) {
    host.settings().Address = "AB";
    const std::string hostile("one\r\nB forged\0tail", 19);
    answerInTurn({record(hostile)});
    stopAfterPolls(2);
    engine.run();
    const std::string data = dataFile();
    ASSERT_EQ(std::count(data.begin(), data.end(), '\n'), 1) << data;
    ASSERT_EQ(std::count(data.begin(), data.end(), '\r'), 1) << data;
    ASSERT_TRUE(data.starts_with("A ") && data.ends_with("\r\n"));
    EXPECT_EQ(opscore::record_from_line_text(data.substr(2, data.size() - 4)), hostile);
    EXPECT_EQ(host.dataPane, data.substr(0, data.size() - 2) + "\n");
}

TEST_F(HostPollingEngine, NoRecordForTheWaitTimeEndsPollingAndTheUnattendedRun) {
    host.settings().Polling_Period = PollingPeriod::ExistWhenPeriodNoData;
    host.settings().Poll_Max_Wait_Time = 10;
    host.state().commandLineMode = true;
    link.answer = [this](char) { return clock.elapsedMs() < 5000 ? record("r") : kNoData; };
    engine.run();
    // The last record came at 4.99 s; the first slot more than 10 s later ends it.
    EXPECT_EQ(clock.elapsedMs(), 15000);
    EXPECT_TRUE(host.state().isReady());
    EXPECT_EQ(host.closes, 1);
}

TEST_F(HostPollingEngine, NoDataStopWorksWithEveryAddressDeselected) {
    host.settings().Polling_Period = PollingPeriod::ExistWhenPeriodNoData;
    host.settings().Poll_Max_Wait_Time = 2;
    host.state().selection[0] = 0;
    engine.run();
    EXPECT_TRUE(link.polled.empty());
    EXPECT_GT(link.delays, 0);  // waited, letting Stop and clicks through
    EXPECT_TRUE(host.state().isReady());
}

TEST_F(HostPollingEngine, OutsideThePollingWindowEachSlotWaitsAndTheWindowsAlternate) {
    HostSettings& settings = host.settings();
    settings.Polling_Period = PollingPeriod::Specify;
    settings.Poll_Period_Specify_Counter = 2;
    settings.Start_Times[0] = settings.Start_Time = "08:00:00";
    settings.Stop_Times[0] = settings.Stop_Time = "12:00:00";
    settings.Start_Times[1] = "13:00:00";
    settings.Stop_Times[1] = "17:00:00";
    clock.setTimeOfDay(12, 30, 0);
    std::vector<int> windows;
    link.afterDelay = [&] {
        if (windows.size() < 4) windows.push_back(host.state().pollWindowIndex);
    };
    stopAfterPolls(1);
    engine.run();
    EXPECT_EQ(windows, (std::vector<int>{1, 0, 1, 0}));
    // Not one poll before 13:00:00, in steps of 100 ms; at 13:00:00 the morning window is
    // in force, so the walk takes one step more.
    EXPECT_EQ(link.delays, 30 * 60 * 10 + 1);
    EXPECT_EQ(host.state().pollClockText, "13:00:00");
    EXPECT_EQ(settings.Start_Time, "13:00:00");
}

TEST_F(HostPollingEngine, WindowOverMidnightKeepsPollingUntilItsEnd) {
    HostSettings& settings = host.settings();
    settings.Polling_Period = PollingPeriod::Specify;
    settings.Poll_Period_Specify_Counter = 1;
    settings.Start_Times[0] = settings.Start_Time = "22:00:00";
    settings.Stop_Times[0] = settings.Stop_Time = "06:00:00";
    clock.setTimeOfDay(23, 59, 59);
    link.pollCostMs = 500;
    link.afterDelay = [this] { host.setReady(true); };  // the first wait: the window has ended
    engine.run();
    // Polled from 23:59:59 over midnight up to 06:00:00 inclusive, every 500 ms.
    EXPECT_EQ(link.polled.size(), static_cast<std::size_t>((6 * 3600 + 1) * 2 + 2));
}

TEST_F(HostPollingEngine, FailedReadyCheckPollsNothingAndEndsAnUnattendedRun) {
    host.settings().Address.clear();
    host.state().commandLineMode = true;
    engine.run();
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Please set address !"});
    EXPECT_TRUE(link.polled.empty());
    EXPECT_EQ(host.closes, 1);
    EXPECT_TRUE(host.state().isReady());

    host.settings().Address = "A";
    host.connectSucceeds = false;
    host.state().commandLineMode = false;
    engine.run();
    EXPECT_TRUE(link.polled.empty());
    EXPECT_EQ(host.connectAttempts, 1);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(HostPollingEngine, DoesNothingWhileAnotherCommandRuns) {
    host.setReady(false);
    engine.run();
    EXPECT_EQ(host.connectAttempts, 0);
    EXPECT_TRUE(link.polled.empty());
}

}  // namespace
