#include "terminal_frame.h"

#include <gtest/gtest.h>

#include "fake_host.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

class HostOperationsReadyCheck : public ::testing::Test {
protected:
    FakeHost host;
    FakePrompts prompts;
};

TEST_F(HostOperationsReadyCheck, EmptyAddressListStopsBeforeTheLine) {
    host.settings().Address.clear();
    EXPECT_FALSE(readyCheck(host, prompts));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Please set address !");
    EXPECT_EQ(prompts.stopIcons, 1);
    EXPECT_EQ(host.connectAttempts, 0);
}

TEST_F(HostOperationsReadyCheck, ClosedLineIsConnectedFirstAndAnOpenOneIsKept) {
    EXPECT_TRUE(readyCheck(host, prompts));
    EXPECT_EQ(host.connectAttempts, 1);
    EXPECT_TRUE(readyCheck(host, prompts));
    EXPECT_EQ(host.connectAttempts, 1);  // already up: no second connect
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(HostOperationsReadyCheck, FailsWhenConnectFailsOrDoesNotExist) {
    host.connectSucceeds = false;
    EXPECT_FALSE(readyCheck(host, prompts));
    host.setCommandHandler(ID_PORT_CONNECT, nullptr);
    EXPECT_FALSE(readyCheck(host, prompts));
}

TEST_F(HostOperationsReadyCheck, UnattendedRunEndsOnlyWhenTheLineIsDownAndAutoExitIsOn) {
    host.state().commandLineMode = true;
    host.state().connected = true;
    closeIfCommandLineLineDown(host);
    EXPECT_EQ(host.closes, 0);
    host.state().connected = false;
    host.settings().AUTO_EXIT = false;
    closeIfCommandLineLineDown(host);
    EXPECT_EQ(host.closes, 0);
    host.settings().AUTO_EXIT = true;
    closeIfCommandLineLineDown(host);
    EXPECT_EQ(host.closes, 1);
    host.state().commandLineMode = false;
    closeIfCommandLineLineDown(host);
    closeIfCommandLineDone(host);
    EXPECT_EQ(host.closes, 1);  // interactive use never closes by itself
}

class HostOperationsTerminalLoop : public ::testing::Test {
protected:
    void SetUp() override { host.settings().Address = "ABC"; }
    FakeHost host;
};

TEST_F(HostOperationsTerminalLoop, VisitsSelectedAddressesInOrderMarkedAsAddressed) {
    host.state().selection[1] = 0;
    host.state().status[1] = TerminalStatus::Done;
    std::string visited;
    TerminalLoop::run(host, PanelMode::OneShot, [&](int index, char address) {
        EXPECT_EQ(host.state().status[index], TerminalStatus::Addressed);
        EXPECT_EQ(host.state().currentIndex, index);
        EXPECT_FALSE(host.state().isReady());
        visited += address;
    });
    EXPECT_EQ(visited, "AC");
    EXPECT_EQ(host.state().status[1], TerminalStatus::Done);  // a deselected one keeps its state
    EXPECT_TRUE(host.state().isReady());
    EXPECT_EQ(host.state().panelMode, PanelMode::OneShot);
    EXPECT_EQ(host.state().progressPhase, kPhaseFull);
}

TEST_F(HostOperationsTerminalLoop, StopEndsTheLoopBeforeTheNextTerminal) {
    std::string visited;
    TerminalLoop::run(host, PanelMode::Download, [&](int, char address) {
        visited += address;
        if (address == 'B') host.setReady(true);  // Stop while B is served
    });
    EXPECT_EQ(visited, "AB");
}

TEST_F(HostOperationsTerminalLoop, AddressListBeyondTheTablesIsCut) {
    host.settings().Address = std::string(45, 'A');
    int visits = 0;
    TerminalLoop::run(host, PanelMode::OneShot, [&](int index, char) {
        ASSERT_LT(index, kAddressSlots);
        ++visits;
    });
    EXPECT_EQ(visits, kAddressSlots);
}

TEST_F(HostOperationsTerminalLoop, OneCallResultsSetThePictureAndTheReport) {
    struct Case {
        int code;
        TerminalStatus status;
        bool reported;
    };
    const Case cases[] = {
        {RC_SUCCESS, TerminalStatus::Done, true},
        {RC_TIME_OUT, TerminalStatus::TimeOut, true},
        {RC_NO_DATA, TerminalStatus::Addressed, false},
        {RC_NOT_EXIST, TerminalStatus::Failed, true},
        {RC_HOST_NAK, TerminalStatus::Failed, true},
    };
    for (const Case& c : cases) {
        host.reports.clear();
        host.state().status[2] = TerminalStatus::Addressed;
        showOneCallResult(host, 2, 'C', "Cold Start", "", c.code);
        EXPECT_EQ(host.state().status[2], c.status) << c.code;
        ASSERT_EQ(host.reports.size(), c.reported ? 1u : 0u) << c.code;
        if (c.reported) {
            EXPECT_EQ(host.reports[0].address, 'C');
            EXPECT_EQ(host.reports[0].operation, "Cold Start");
            EXPECT_EQ(host.reports[0].code, c.code);
        }
    }
}

}  // namespace
