#include <gtest/gtest.h>

#include <algorithm>

#include "fake_host.h"
#include "file_transfers.h"
#include "scripted_transfer_link.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

class NoChooser : public TransferFileChooser {
public:
    std::optional<FileChoice> choosePcFiles(const FileChoiceInput&) override { return {}; }
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput&) override { return {}; }
};

// Upload with its loop on, one terminal and one file. The scripted delay stands for the
// library's wait: it is where the window runs, so Stop is played from there (or from a block).
class HostUploadLoop : public ::testing::Test {
protected:
    void SetUp() override {
        host.settings().Address = "A";
        host.settings().UploadFiles[0] = "DATA.TXT";
        host.settings().Upload_Loop = true;
        link.uploadStart = [this](char, const std::string&) {
            passStartMs.push_back(link.delayedMs());
            return passResult ? passResult(static_cast<int>(passStartMs.size())) : RC_SUCCESS;
        };
        // A loop that never lets Stop in ends here, and its test fails on the pass count.
        host.afterRedraw = [this] {
            if (host.redraws > 100000) host.setReady(true);
        };
    }
    // Stop from the window at the first wait once `passes` have started.
    void stopInAWaitAfter(std::size_t passes) {
        link.afterDelay = [this, passes](int) {
            if (passStartMs.size() >= passes) host.setReady(true);
        };
    }
    int passes() const { return static_cast<int>(passStartMs.size()); }
    // Milliseconds waited between the start of pass n and of pass n + 1 (n from 1).
    int gapAfterPass(int n) const { return passStartMs.at(n) - passStartMs.at(n - 1); }

    FakeHost host;
    FakePrompts prompts;
    ScriptedTransferLink link;
    NoChooser chooser;
    FileTransfers transfers{host, link, prompts, chooser};
    std::vector<int> passStartMs;  // the link's delayed milliseconds when each pass began
    std::function<int(int pass)> passResult;
};

TEST_F(HostUploadLoop, CleanPassWaitsThePeriodWhileTheCountdownRunsDownToOne) {
    host.settings().Upload_Period = 3;
    std::vector<int> shown;  // the countdown as each redraw during a wait shows it
    host.afterRedraw = [&] {
        if (host.state().uploadWaiting &&
            (shown.empty() || shown.back() != host.state().uploadSecondsLeft))
            shown.push_back(host.state().uploadSecondsLeft);
    };
    link.afterBlock = [this](char, const std::string&) {
        if (passes() == 3) host.setReady(true);  // Stop during the third pass's file
    };
    transfers.upload();
    ASSERT_EQ(passes(), 3);
    EXPECT_EQ(gapAfterPass(1), 3000);
    EXPECT_EQ(gapAfterPass(2), 3000);
    EXPECT_EQ(shown, (std::vector<int>{3, 2, 1, 3, 2, 1}));
    // Each counted second is a second of waiting, never longer.
    EXPECT_TRUE(std::all_of(link.delays.begin() + 1, link.delays.end(),
                            [](int ms) { return ms > 0 && ms <= 1000; }));
    EXPECT_FALSE(host.state().uploadWaiting);
    EXPECT_TRUE(host.state().isReady());
}

TEST_F(HostUploadLoop, FailedPassIsFollowedAtOnceAndTheNextCleanOneWaitsAgain) {
    host.settings().Upload_Period = 5;
    passResult = [](int pass) { return pass <= 2 ? RC_TIME_OUT : RC_SUCCESS; };
    bool countdownInFailedPass = false;
    host.afterRedraw = [&] {
        if (passes() <= 2 && host.state().uploadWaiting) countdownInFailedPass = true;
    };
    stopInAWaitAfter(4);
    transfers.upload();
    ASSERT_EQ(passes(), 4);
    EXPECT_EQ(gapAfterPass(1), 0);
    EXPECT_EQ(gapAfterPass(2), 0);
    EXPECT_EQ(gapAfterPass(3), 5000);
    EXPECT_FALSE(countdownInFailedPass);
    EXPECT_EQ(host.reportsWithCode(RC_TIME_OUT), 2);
}

TEST_F(HostUploadLoop, StopAnywhereInTheCountdownEndsTheCommandWithinASecond) {
    host.settings().Upload_Period = 60;
    // Stop at the start of the wait, inside its first second, mid-way and in its last second.
    for (const int stopAtMs : {0, 1, 450, 30000, 59999}) {
        SCOPED_TRACE(stopAtMs);
        passStartMs.clear();
        link.delays.clear();
        host.setReady(true);
        int stoppedAtMs = -1;
        link.afterDelay = [&](int) {
            if (stoppedAtMs < 0 && host.state().uploadWaiting &&
                link.delayedMs() - passStartMs.at(0) > stopAtMs) {
                host.setReady(true);
                stoppedAtMs = link.delayedMs();
            }
        };
        transfers.upload();
        ASSERT_GE(stoppedAtMs, 0);
        EXPECT_EQ(passes(), 1);
        EXPECT_LE(link.delayedMs() - stoppedAtMs, 1000);
        EXPECT_FALSE(host.state().uploadWaiting);
        EXPECT_TRUE(host.state().isReady());
    }
}

TEST_F(HostUploadLoop, NoPeriodMeansNoWaitYetStopStillGetsIn) {
    // Period 0, or a negative one from a hand-edited settings file.
    for (const int period : {0, -5}) {
        SCOPED_TRACE(period);
        host.settings().Upload_Period = period;
        passStartMs.clear();
        link.delays.clear();
        host.setReady(true);
        bool waited = false;
        host.afterRedraw = [&] {
            waited = waited || host.state().uploadWaiting;
            if (host.redraws > 100000) host.setReady(true);
        };
        stopInAWaitAfter(3);  // the only chance Stop has is the window's turn between passes
        transfers.upload();
        EXPECT_EQ(passes(), 3);
        EXPECT_EQ(link.delayedMs(), 20);  // the start pause only
        EXPECT_FALSE(waited);
    }
}

// A port that went away fails every call at once, with no wait of the line in between; the
// window must still get its turn between passes, or Stop never arrives.
TEST_F(HostUploadLoop, PassesThatFailAtOnceStillLetStopIn) {
    host.settings().Upload_Period = 60;
    passResult = [](int) { return RC_TIME_OUT; };
    link.uploadModeResult = RC_TIME_OUT;  // fails before any file is asked for
    link.afterDelay = [this](int) {
        if (link.callsStartingWith("mode") >= 3) host.setReady(true);
    };
    transfers.upload();
    EXPECT_EQ(link.callsStartingWith("mode"), 3);
    EXPECT_EQ(link.callsStartingWith("ul"), 0);
    EXPECT_EQ(link.delayedMs(), 20);
}

}  // namespace
