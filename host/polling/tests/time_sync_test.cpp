#include "time_sync.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "fake_host.h"
#include "poll_engine.h"
#include "poll_window.h"
#include "scripted_link.h"
#include "setup_link.h"
#include "setup_terminal_commands.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

using Strings = std::vector<std::string>;

// The set-up commands' line: each date-time call is logged with the poll clock's time.
class ClockSettingLink : public SetupLink {
public:
    ClockSettingLink(PollClock& clock, Strings& log) : clock_(clock), log_(log) {}
    int call(SetupCall call, int, char address, const std::string&, int) override {
        if (call != SetupCall::DateTime) return RC_SUCCESS;
        log_.push_back(std::string("time ") + address + " " + clockText(clock_.localTime()));
        if (afterCall) afterCall(address);
        return RC_SUCCESS;
    }
    void delay(int) override {}
    std::function<void(char)> afterCall;

private:
    PollClock& clock_;
    Strings& log_;
};

// Polling never wants a dialog; each one that opens is counted and cancelled.
class NoDialogs : public SetupDialogs {
public:
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput&) override {
        return opened();
    }
    std::optional<TerminalFileChoice> chooseTerminalFile(const FileChoiceInput&, const std::string&,
                                                         bool) override {
        return opened();
    }
    std::optional<std::string> inputLine(const std::string&) override { return opened(); }
    std::optional<AddressChange> changeAddress(const std::string&) override { return opened(); }
    std::optional<opscore::BarCodeChoice> barCode() override { return opened(); }
    std::optional<opscore::Kd35DeviceChoice> kd35Device() override { return opened(); }
    std::optional<opscore::Kd24DeviceChoice> kd24Device() override { return opened(); }
    std::optional<opscore::Vs17DeviceChoice> vs17Device() override { return opened(); }
    std::optional<ChangeCommValues> changeComm(const ChangeCommValues&) override {
        return opened();
    }
    std::optional<TimeSyncValues> timeSync(const TimeSyncValues&) override { return opened(); }
    int opens = 0;

private:
    std::nullopt_t opened() {
        ++opens;
        return std::nullopt;
    }
};

class FixedSetupClock : public SetupClock {
public:
    std::time_t now() override { return 1'700'000'000; }
};

// The poll engine with the synchronisation hooked in as the program does, the real set-up
// commands setting the clocks, and one log of what reaches the line in order.
class HostPollTimeSync : public ::testing::Test {
protected:
    void SetUp() override {
        HostSettings& settings = host.settings();
        settings.Token_file = false;
        settings.Address = "A";
        settings.Auto_Time_Sync = AutoTimeSync::Specify;
        host.asideOperation = "Poll ended, records from";
        host.setConnected(true);
        // The menu's Time and Date too, so a start that went through it would open its dialog.
        setTerminalSetupHandlers(host, commands);
        sync.attachTo(engine);
        link.answer = [this](char address) {
            log.push_back(std::string("poll ") + address);
            if (closesAtFirstPoll < 0) closesAtFirstPoll = host.closes;
            return PollAnswer{RC_NO_DATA, {}};
        };
    }
    void window(const char* start, const char* stop) {
        host.settings().Auto_Time_Sync_Start = start;
        host.settings().Auto_Time_Sync_Stop = stop;
    }
    // Polls from the given time of day for the given span of the fake clock.
    void pollFrom(int hour, int minute, int second, std::int64_t spanMs, int pollCostMs) {
        clock.setTimeOfDay(hour, minute, second);
        link.pollCostMs = pollCostMs;
        link.afterPoll = [this, spanMs] {
            if (clock.elapsedMs() >= spanMs) host.setReady(true);
        };
        engine.run();
    }
    Strings synchronisations() const {
        Strings times;
        for (const auto& entry : log)
            if (entry.rfind("time", 0) == 0) times.push_back(entry);
        return times;
    }

    FakeHost host;
    FakePrompts prompts;
    FakeClock clock;
    ScriptedLink link{clock};
    PollEngine engine{host, link, clock, prompts};
    Strings log;
    ClockSettingLink setupLink{clock, log};
    NoDialogs dialogs;
    FixedSetupClock setupClock;
    TerminalSetupCommands commands{host, setupLink, prompts, dialogs, setupClock};
    PollTimeSync sync{host,
                      clock,
                      {[this] {
                           return setClocksAtPollStart(
                               host, prompts, [this] { commands.setSelectedClocksFromPc(); });
                       },
                       [this] { commands.setSelectedClocksFromPc(); }}};
    int closesAtFirstPoll = -1;
};

constexpr std::int64_t kMinuteMs = 60'000;
constexpr std::int64_t kHourMs = 60 * kMinuteMs;

// ---- Specify ----

// Through the night and the next day's window: once at each window's first poll. The polling
// windows are in force too: the synchronisation test must not walk them on.
TEST_F(HostPollTimeSync, WindowEnteredWhilePollingSetsTheClocksOncePerEntry) {
    HostSettings& settings = host.settings();
    settings.Polling_Period = PollingPeriod::Specify;
    settings.Poll_Period_Specify_Counter = 2;
    settings.Start_Times[0] = settings.Start_Time = "00:00:00";
    settings.Stop_Times[0] = settings.Stop_Time = "23:59:59";
    settings.Start_Times[1] = "12:00:00";
    settings.Stop_Times[1] = "12:00:01";
    pollFrom(5, 59, 0, 24 * kHourMs + 2 * kMinuteMs + 1000, 5000);
    EXPECT_EQ(synchronisations(), (Strings{"time A 06:00:00", "time A 06:00:00"}));
    EXPECT_EQ(host.state().pollWindowIndex, 0);
    EXPECT_EQ(link.delays, 0);           // never found outside its polling window
    EXPECT_EQ(host.reports.size(), 2u);  // one "Time Sync." per synchronisation
}

TEST_F(HostPollTimeSync, WindowOverMidnightHoldsAcrossIt) {
    window("23:00:00", "01:00:00");
    pollFrom(22, 59, 0, 2 * kHourMs + 2 * kMinuteMs, 1000);
    EXPECT_EQ(synchronisations(), Strings{"time A 23:00:00"});
    EXPECT_FALSE(sync.synchronised());  // left the window at 01:00:01
}

// A Poll command started inside the window sets the clocks before its first poll, also when
// the previous command had set them already; one started outside does not.
TEST_F(HostPollTimeSync, PollStartedInsideTheWindowSetsTheClocksBeforeItsFirstPoll) {
    struct Case {
        const char *start, *stop;
        int hour, minute, second;
        bool synchronises;
    };
    const Case cases[] = {
        {"06:00:00", "08:00:00", 7, 0, 0, true},    {"06:00:00", "08:00:00", 7, 0, 5, true},
        {"06:00:00", "08:00:00", 8, 0, 0, true},    {"06:00:00", "08:00:00", 8, 0, 1, false},
        {"06:00:00", "08:00:00", 5, 59, 59, false}, {"23:00:00", "01:00:00", 0, 30, 0, true},
        {"23:00:00", "01:00:00", 1, 0, 1, false},   {"23:00:00", "01:00:00", 12, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + std::to_string(c.hour) + ":" +
                     std::to_string(c.minute) + ":" + std::to_string(c.second));
        log.clear();
        window(c.start, c.stop);
        pollFrom(c.hour, c.minute, c.second, 0, 10);  // one poll
        ASSERT_FALSE(log.empty());
        char started[40];
        std::snprintf(started, sizeof started, "%.2d:%.2d:%.2d", c.hour, c.minute, c.second);
        EXPECT_EQ(log.front(), c.synchronises ? std::string("time A ") + started : "poll A");
        EXPECT_EQ(log.back(), "poll A");
    }
}

// Before the first poll or as the command starts: Stop ends the Poll command.
TEST_F(HostPollTimeSync, StopWhileSettingTheClocksPollsNothingMore) {
    host.settings().Address = "AB";
    setupLink.afterCall = [this](char) { host.setReady(true); };
    link.afterPoll = [this] { host.setReady(true); };  // a poll begun anyway ends the run
    for (const AutoTimeSync mode : {AutoTimeSync::Specify, AutoTimeSync::Start}) {
        log.clear();
        host.settings().Auto_Time_Sync = mode;
        clock.setTimeOfDay(7, 0, 0);
        engine.run();
        EXPECT_EQ(log, Strings{"time A 07:00:00"});
        EXPECT_TRUE(host.state().isReady());
    }
}

TEST_F(HostPollTimeSync, OnlySpecifySynchronisesBeforePolls) {
    for (const AutoTimeSync mode : {AutoTimeSync::None, AutoTimeSync::Start}) {
        log.clear();
        host.settings().Auto_Time_Sync = mode;
        pollFrom(7, 0, 0, 1000, 10);
        EXPECT_EQ(synchronisations().size(), mode == AutoTimeSync::Start ? 1u : 0u);
        EXPECT_EQ(log.back(), "poll A");
    }
}

// ---- Start ----

// The whole Time and Date command before the ready check: it connects the line the poll then
// finds up, asks nothing, and an unattended run is not ended by it but by the poll.
TEST_F(HostPollTimeSync, StartSetsTheClocksFirstWithoutDialogOrClosingTheProgram) {
    host.settings().Auto_Time_Sync = AutoTimeSync::Start;
    host.settings().Address = "AB";
    for (const bool commandLine : {false, true}) {
        SCOPED_TRACE(commandLine);
        log.clear();
        host.closes = 0;
        host.connectAttempts = 0;
        closesAtFirstPoll = -1;
        host.setConnected(false);
        host.state().commandLineMode = commandLine;
        host.state().commandTokens = {"AB", "P"};
        host.settings().AUTO_EXIT = true;
        pollFrom(7, 0, 0, 50, 10);
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(Strings(log.begin(), log.begin() + 3),
                  (Strings{"time A 07:00:00", "time B 07:00:00", "poll A"}));
        EXPECT_EQ(dialogs.opens, 0);
        EXPECT_EQ(host.connectAttempts, 1);
        EXPECT_EQ(closesAtFirstPoll, 0);
        EXPECT_EQ(host.closes, commandLine ? 1 : 0);  // the poll's own end
    }
}

TEST_F(HostPollTimeSync, StartWithNoAddressesRefusesTwice) {
    host.settings().Auto_Time_Sync = AutoTimeSync::Start;
    host.settings().Address.clear();
    host.setConnected(false);
    host.state().commandLineMode = true;
    engine.run();
    EXPECT_EQ(prompts.messages, (Strings{"Please set address !", "Please set address !"}));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(host.closes, 1);  // only the poll ends an unattended run
    EXPECT_TRUE(host.state().isReady());
}

}  // namespace
