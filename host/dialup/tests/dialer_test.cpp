#include <gtest/gtest.h>

#include <deque>

#include "command_line_number.h"
#include "dial_link.h"
#include "dialer.h"
#include "fake_host.h"
#include "phone_book.h"

using namespace vantrel;

namespace {

// Answers modem commands from a script and records every call.
class ScriptedLink : public DialLink {
public:
    bool openPort(int port, int baud, int data, int parity, int stop) override {
        calls.push_back("open " + std::to_string(port) + " " + std::to_string(baud) + " " +
                        std::to_string(data) + " " + std::to_string(parity) + " " +
                        std::to_string(stop));
        return opens;
    }
    std::string openFailureReason(int port) override {
        calls.push_back("why " + std::to_string(port));
        return reason;
    }
    void closePort(int port) override { calls.push_back("close " + std::to_string(port)); }
    int modemCommand(int port, const std::string& command, std::int32_t timeoutMs) override {
        calls.push_back("cmd " + std::to_string(port) + " [" + command + "] " +
                        std::to_string(timeoutMs));
        return next();
    }
    int modemCommandMode(int port, std::int32_t timeoutMs) override {
        calls.push_back("+++ " + std::to_string(port) + " " + std::to_string(timeoutMs));
        return next();
    }

    bool opens = true;
    std::string reason;
    std::deque<int> answers;
    std::vector<std::string> calls;

private:
    int next() {
        if (answers.empty()) return 200;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class ScriptedPrompts : public DialPrompts {
public:
    std::optional<std::string> choosePhoneEntry(const std::vector<std::string>& entries) override {
        offered = entries;
        ++choices;
        return choice;
    }
    void showMessage(const std::string& text, bool stop) override {
        messages.push_back(text);
        stopIcons.push_back(stop);
    }

    std::optional<std::string> choice;
    std::vector<std::string> offered;
    std::vector<std::string> messages;
    std::vector<bool> stopIcons;
    int choices = 0;
};

class HostDialupDialer : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = host.settings();
        s.Port = 3;
        s.BaudRate = 9;
        s.DataBit = 7;
        s.Parity = ParityMode::Even;
        s.StopBit = 2;
        setCommandLinePhoneNumber("");
    }
    void useModem() {
        auto& s = host.settings();
        s.Use_modem = true;
        s.Modem_Phone_name[4] = "Depot";
        s.Modem_Phone_no[4] = "5551234";
        prompts.choice = storedPhoneEntry("Depot", "5551234");
    }

    FakeHost host;
    ScriptedLink link;
    ScriptedPrompts prompts;
    Dialer dialer{host, link, prompts};
};

const std::string kPaddedNumber = "5551234" + std::string(23, ' ');

}  // namespace

TEST_F(HostDialupDialer, PortAloneOpensAndClosesWithOneNoteEach) {
    EXPECT_TRUE(dialer.connect());
    EXPECT_EQ(link.calls, (std::vector<std::string>{"open 3 9 7 2 2"}));
    ASSERT_EQ(host.notes.size(), 1u);
    EXPECT_EQ(host.notes[0], (FakeHost::Note{' ', "Open COM3", "", -1}));
    EXPECT_TRUE(host.state().connected);
    EXPECT_EQ(prompts.choices, 0);

    host.state().ready = 0;  // a running loop ends with the line
    host.notes.clear();
    dialer.disconnect();
    EXPECT_EQ(link.calls.back(), "close 3");
    ASSERT_EQ(host.notes.size(), 1u);
    EXPECT_EQ(host.notes[0], (FakeHost::Note{' ', "Close COM port ", " ", -1}));
    EXPECT_FALSE(host.state().connected);
    EXPECT_TRUE(host.state().isReady());
}

TEST_F(HostDialupDialer, PortThatWillNotOpenShowsTheStopBoxAndStaysDisconnected) {
    link.opens = false;
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"COM3 open error"}));
    EXPECT_EQ(prompts.stopIcons, (std::vector<bool>{true}));
    EXPECT_TRUE(host.notes.empty());
    EXPECT_FALSE(host.state().connected);
}

TEST_F(HostDialupDialer, TheReasonAPortWillNotOpenFollowsTheBoxInTheMessageWindow) {
    link.opens = false;
    link.reason = "/dev/ttyS2 is in use by another program";
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"COM3 open error\n" + link.reason}));
    EXPECT_EQ(link.calls.back(), "why 3");
    ASSERT_EQ(host.notes.size(), 1u);
    EXPECT_EQ(host.notes[0], (FakeHost::Note{' ', link.reason, "", -1}));
    EXPECT_FALSE(host.state().connected);
}

TEST_F(HostDialupDialer, ModemDialsTheChosenNumberWithTheConfiguredWaits) {
    useModem();
    host.settings().Modem_Initial_command = "ATE1S0=1";
    host.settings().Dial_Wait_Time = 60;
    link.answers = {0, 1};
    EXPECT_TRUE(dialer.connect());
    EXPECT_EQ(prompts.offered, (std::vector<std::string>{storedPhoneEntry("Depot", "5551234")}));
    // The number is taken as it stands in the entry, blanks included.
    EXPECT_EQ(link.calls, (std::vector<std::string>{"open 3 9 7 2 2", "cmd 3 [ATE1S0=1] 1000",
                                                    "cmd 3 [ATDT" + kPaddedNumber + "] 60000"}));
    EXPECT_EQ(host.operations(), (std::vector<std::string>{"Open COM3", "Send initial command ",
                                                           "OK", "Dial phone no ", "Connect "}));
    EXPECT_EQ(host.notes[1].detail, "ATE1S0=1");
    EXPECT_EQ(host.notes[3].detail, kPaddedNumber);
    EXPECT_TRUE(host.state().connected);

    link.calls.clear();
    link.answers = {0, 0};
    host.notes.clear();
    dialer.disconnect();
    EXPECT_EQ(link.calls, (std::vector<std::string>{"+++ 3 3000", "cmd 3 [ATH] 3000", "close 3"}));
    EXPECT_EQ(host.notes, (std::vector<FakeHost::Note>{{' ', "Hang up", " ", -1},
                                                       {' ', "   Send +++ ", "ret=0", -1},
                                                       {' ', "   Send ATH ", "ret=0", -1},
                                                       {' ', "Close COM port ", " ", -1}}));
}

TEST_F(HostDialupDialer, RefusedDialOrInitialCommandHangsUpAndCloses) {
    useModem();
    link.answers = {0, 7, 4, 0};  // OK, BUSY, then the escape and ATH answers
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(host.operations(),
              (std::vector<std::string>{"Open COM3", "Send initial command ", "OK",
                                        "Dial phone no ", "Fail ", "Hang up", "   Send +++ ",
                                        "   Send ATH ", "Close COM port "}));
    EXPECT_EQ(host.notes[6].detail, "ret=4");
    EXPECT_EQ(link.calls.back(), "close 3");
    EXPECT_FALSE(host.state().connected);
    EXPECT_TRUE(host.settings().Use_modem);

    host.notes.clear();
    link.answers = {4};  // ERROR to the initial command
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(host.operations(),
              (std::vector<std::string>{"Open COM3", "Send initial command ", "Error", "Hang up",
                                        "   Send +++ ", "   Send ATH ", "Close COM port "}));
    EXPECT_EQ(host.notes[5].detail, "ret=200");
    EXPECT_FALSE(host.state().connected);
}

TEST_F(HostDialupDialer, NoNumberOrCancelEndsBeforeThePortOpens) {
    useModem();
    prompts.choice = std::nullopt;
    EXPECT_FALSE(dialer.connect());
    EXPECT_TRUE(prompts.messages.empty());

    prompts.choice = storedPhoneEntry("Depot", "").substr(0, 30);
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"No Phone number"}));
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(host.notes.empty());
}

TEST_F(HostDialupDialer, CommandLineModeDialsTheCommandLineNumberWithoutAsking) {
    useModem();
    host.state().commandLineMode = true;
    setCommandLinePhoneNumber("0123456");
    link.answers = {0, 1};
    EXPECT_TRUE(dialer.connect());
    EXPECT_EQ(prompts.choices, 0);
    EXPECT_EQ(link.calls[2], "cmd 3 [ATDT0123456] 60000");
    dialer.disconnect();

    // Without a number nothing is dialled: "ATDT" alone would only take the line off-hook.
    setCommandLinePhoneNumber("");
    link.calls.clear();
    EXPECT_FALSE(dialer.connect());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"No Phone number"}));
    EXPECT_TRUE(link.calls.empty());

    setCommandLinePhoneNumber(std::string(150, '9'));
    EXPECT_EQ(commandLinePhoneNumber().size(), 99u);
}

TEST_F(HostDialupDialer, HangsUpTheLineThatWasOpenedAfterTheSettingsChanged) {
    useModem();
    link.answers = {0, 1};
    ASSERT_TRUE(dialer.connect());
    // The parameter dialog stores a new port, the modem dialog turns the modem off.
    host.settings().Port = 1;
    host.settings().Use_modem = false;
    link.calls.clear();
    dialer.disconnect();
    EXPECT_EQ(link.calls, (std::vector<std::string>{"+++ 3 3000", "cmd 3 [ATH] 3000", "close 3"}));

    link.calls.clear();
    ASSERT_TRUE(dialer.connect());  // now port 1 without the modem
    dialer.disconnect();
    EXPECT_EQ(link.calls, (std::vector<std::string>{"open 1 9 7 2 2", "close 1"}));
}

TEST(HostDialupDialTimeout, SecondsBecomeMillisecondsWithoutOverflow) {
    EXPECT_EQ(dialTimeoutMs(60), 60000);
    EXPECT_EQ(dialTimeoutMs(1), 1000);
    EXPECT_EQ(dialTimeoutMs(3000000), 2147483647);
    EXPECT_EQ(dialTimeoutMs(-5), 0);
}
