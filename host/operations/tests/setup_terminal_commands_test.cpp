#include <gtest/gtest.h>

#include <functional>

#include "command_ids.h"
#include "date_time_text.h"
#include "fake_host.h"
#include "setup_link.h"
#include "setup_terminal_commands.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

using Strings = std::vector<std::string>;

// The line as a script: each call is recorded as "<call> <address> <argument>", the argument
// being the text, or the number as a character for the calls that send one.
class ScriptedSetupLink : public SetupLink {
public:
    int call(SetupCall call, int, char address, const std::string& text, int number) override {
        std::string argument = text;
        if (call == SetupCall::Keypad || call == SetupCall::SystemFont ||
            call == SetupCall::SetAddress)
            argument = std::string(1, static_cast<char>(number));
        else if (call == SetupCall::Buzzer || call == SetupCall::ExeSize)
            argument = std::to_string(number);
        calls.push_back(std::to_string(static_cast<int>(call)) + " " + address + " " + argument);
        arguments.push_back(argument);
        const int code = result ? result(address, argument) : RC_SUCCESS;
        if (afterCall) afterCall();
        return code;
    }
    void delay(int milliseconds) override {
        delays.push_back(milliseconds);
        calls.push_back("delay");
    }

    Strings calls;
    Strings arguments;
    std::vector<int> delays;
    std::function<int(char, const std::string&)> result;
    std::function<void()> afterCall;
};

std::string callOf(SetupCall call, char address, const std::string& argument) {
    return std::to_string(static_cast<int>(call)) + " " + address + " " + argument;
}

// Each dialog records that it opened and gives the answer set below (nothing: cancelled).
class ScriptedDialogs : public SetupDialogs {
public:
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) override {
        asked = input;
        return opens("Browse Multi File", files);
    }
    std::optional<TerminalFileChoice> chooseTerminalFile(const FileChoiceInput& input,
                                                         const std::string& caption,
                                                         bool exeOnly) override {
        asked = input;
        return opens(caption + (exeOnly ? " EXE" : ""), file);
    }
    std::optional<std::string> inputLine(const std::string& caption) override {
        return opens(caption, line);
    }
    std::optional<AddressChange> changeAddress(const std::string& addresses) override {
        return opens("Change addreee " + addresses, address);
    }
    std::optional<opscore::BarCodeChoice> barCode() override {
        return opens("Bar code symbology", std::optional(opscore::BarCodeChoice{}));
    }
    std::optional<opscore::Kd35DeviceChoice> kd35Device() override {
        return opens("KD35", std::optional(opscore::Kd35DeviceChoice{}));
    }
    std::optional<opscore::Kd24DeviceChoice> kd24Device() override {
        return opens("KD24", std::optional(opscore::Kd24DeviceChoice{}));
    }
    std::optional<opscore::Vs17DeviceChoice> vs17Device() override {
        return opens("VS17", std::optional(opscore::Vs17DeviceChoice{}));
    }
    std::optional<ChangeCommValues> changeComm(const ChangeCommValues& initial) override {
        commShown = initial;
        return opens("Change comm. parameter", comm);
    }
    std::optional<TimeSyncValues> timeSync(const TimeSyncValues& initial) override {
        timeShown = initial;
        return opens("Time Synchronize", time);
    }

    Strings opened;
    FileChoiceInput asked;
    std::optional<FileChoice> files;
    std::optional<TerminalFileChoice> file;
    std::optional<std::string> line;
    std::optional<AddressChange> address;
    std::optional<ChangeCommValues> comm;
    ChangeCommValues commShown;
    std::optional<TimeSyncValues> time;
    TimeSyncValues timeShown;

private:
    template <typename Answer>
    std::optional<Answer> opens(const std::string& name, const std::optional<Answer>& answer) {
        opened.push_back(name);
        return answer;
    }
};

// A clock the test moves on.
class SteppedClock : public SetupClock {
public:
    std::time_t now() override { return at; }
    std::time_t at = 1'700'000'000;
};

// Commands reached through their menu ids, as the window reaches them. Directory is a fake
// that hands out the listings below and records that it ran.
class HostSetupCommands : public ::testing::Test {
protected:
    void SetUp() override {
        host.settings().Address = "AB";
        host.setConnected(true);
        setTerminalSetupHandlers(host, commands);
        for (const int id : {ID_INQ_DIRECTORY, ID_INQ_DIRECTORY_ROM}) {
            host.setCommandHandler(id, [this, id] {
                link.calls.push_back(id == ID_INQ_DIRECTORY ? "dir" : "dir rom");
                host.state().directory[0] = "PROG.EXE,DATA.TXT";
                host.state().directory[1] = "OTHER.EXE";
            });
        }
        host.setCommandHandler(ID_PORT_DISCONNECT, [this] {
            link.calls.push_back("hang up " + std::to_string(host.settings().BaudRate));
            host.setConnected(false);
        });
    }
    void run(int id) {
        ASSERT_TRUE(host.runCommand(id)) << id;
        EXPECT_TRUE(host.state().isReady());
    }
    void commandLine(Strings tokens) {
        host.settings().Address = tokens[0];
        host.state().commandTokens = std::move(tokens);
        host.state().commandLineMode = true;
    }
    TerminalStatus status(int index) { return host.state().status[index]; }

    SettingsFileHost host;
    FakePrompts prompts;
    ScriptedSetupLink link;
    ScriptedDialogs dialogs;
    SteppedClock clock;
    TerminalSetupCommands commands{host, link, prompts, dialogs, clock};
};

// ---- One call per terminal ----

TEST_F(HostSetupCommands, EveryPlainEntrySendsItsCallAndReportsItsLabel) {
    struct Case {
        int id;
        SetupCall call;
        std::string argument;
        std::string operation;
        std::string detail;
    };
    const Case cases[] = {
        {ID_EXEC_WARM_START, SetupCall::WarmStart, "", "Warm Start", ""},
        {ID_EXEC_KERMIT, SetupCall::Kermit, "", "Execute kermit", ""},
        {ID_SET_BUZZER_LOW, SetupCall::Buzzer, "0", "Set Beeper volume low", " "},
        {ID_SET_BUZZER_MEDIUM, SetupCall::Buzzer, "5", "Set Beeper volume medium", " "},
        {ID_SET_BUZZER_HIGH, SetupCall::Buzzer, "9", "Set Beeper volume high", " "},
        {ID_SET_FONT_ALL, SetupCall::SystemFont, "0", "Restore all system font", " "},
        {ID_SET_FONT_16X8, SetupCall::SystemFont, "1", "Restore 16x8 system font", " "},
        {ID_SET_FONT_32X16, SetupCall::SystemFont, "2", "Restore 32x16 system font", " "},
        {ID_SET_KEY_LOCK, SetupCall::Keypad, "0", "Set keypad lock", " "},
        {ID_SET_KEYMAP_RESTORE, SetupCall::Keypad, "A", "Restore system keymap", " "},
        {ID_SET_UPS_OFF, SetupCall::Ups, "", "Set UPS off", ""},
    };
    for (const Case& c : cases) {
        link.calls.clear();
        host.reports.clear();
        run(c.id);
        EXPECT_EQ(link.calls,
                  (Strings{callOf(c.call, 'A', c.argument), callOf(c.call, 'B', c.argument)}))
            << c.operation;
        EXPECT_EQ(host.reportLines(), (Strings{"A|" + c.operation + "|" + c.detail + "|0",
                                               "B|" + c.operation + "|" + c.detail + "|0"}));
    }
}

// The menu's Unlock and Partial lock were crossed over: each sent the other's character.
TEST_F(HostSetupCommands, KeypadUnlockSendsOneAndPartialLockTwo) {
    host.settings().Address = "A";
    run(ID_SET_KEY_UNLOCK);
    run(ID_SET_KEY_PARTIAL);
    EXPECT_EQ(link.calls,
              (Strings{callOf(SetupCall::Keypad, 'A', "1"), callOf(SetupCall::Keypad, 'A', "2")}));
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|Set keypad unlock| |0", "A|Set keypad partial lock| |0"}));
}

TEST_F(HostSetupCommands, ResultsGiveStatusTimeOutFailureAndSilentNoData) {
    host.settings().Address = "ABCD";
    const std::map<char, int> results = {
        {'A', RC_SUCCESS}, {'B', RC_NO_DATA}, {'C', RC_TIME_OUT}, {'D', RC_ILLEGAL_COMMAND}};
    link.result = [&](char address, const std::string&) { return results.at(address); };
    run(ID_EXEC_WARM_START);
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(status(1), TerminalStatus::Addressed);
    EXPECT_EQ(status(2), TerminalStatus::TimeOut);
    EXPECT_EQ(status(3), TerminalStatus::Failed);
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|Warm Start||0", "C|Warm Start||4", "D|Warm Start||2"}));
    EXPECT_EQ(host.state().panelMode, PanelMode::OneShot);
}

TEST_F(HostSetupCommands, PowerSavingReportsEveryResultAndLeavesFailuresIdle) {
    link.result = [](char address, const std::string&) {
        return address == 'A' ? RC_SUCCESS : RC_NO_DATA;
    };
    run(ID_POWER_SAVING_OFF);
    run(ID_POWER_SAVING_ON);
    EXPECT_EQ(host.reportLines(), (Strings{"A|Power-Saving off| |0", "B|Power-Saving off| |7",
                                           "A|Power-Saving on| |0", "B|Power-Saving on| |7"}));
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(status(1), TerminalStatus::Idle);
}

TEST_F(HostSetupCommands, ColdStartOnlyAfterYes) {
    run(ID_EXEC_COLD_START);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.connectAttempts, 0);
    EXPECT_EQ(prompts.questions, (Strings{"Are you sure to Cold Start?"}));
    prompts.yes = true;
    run(ID_EXEC_COLD_START);
    EXPECT_EQ(host.reportLines(), (Strings{"A|Cold Start||0", "B|Cold Start||0"}));
}

TEST_F(HostSetupCommands, NothingRunsWhileACommandRunsOrWithoutAddresses) {
    host.setReady(false);
    commands.warmStart();
    commands.timeAndDate();
    commands.purge();
    host.setReady(true);
    host.settings().Address.clear();
    run(ID_SET_UPS_OFF);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(prompts.messages, (Strings{"Please set address !"}));
}

TEST_F(HostSetupCommands, InputLinesSendDataPasswordAndAreaSize) {
    host.settings().Address = "A";
    dialogs.line = "HELLO 1";
    run(ID_EXEC_SEND_DATA);
    dialogs.line = "secret";
    run(ID_SET_PASSWORD);
    // A leading number counts; no number is 0; a huge one is held, never wrapped round into a
    // size the terminal would take.
    for (const char* text : {"12kb", "abc", "4294967301"}) {
        dialogs.line = text;
        run(ID_SET_EXE_SIZE);
    }
    dialogs.line.reset();
    run(ID_EXEC_SEND_DATA);  // cancelled
    EXPECT_EQ(dialogs.opened,
              (Strings{"Input application data", "Input New Password",
                       "Executing area size (K-Byte)", "Executing area size (K-Byte)",
                       "Executing area size (K-Byte)", "Input application data"}));
    EXPECT_EQ(link.arguments, (Strings{"HELLO 1", "secret", "12", "0", "2147483647"}));
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|Send Data|HELLO 1|0", "A|Set password||0", "A|Exec area is|12|0",
                       "A|Exec area is|0|0", "A|Exec area is|2147483647|0"}));
    dialogs.line = std::string(255, 'p') + "\xc3\xa9";  // 257 bytes: refused, never cut
    run(ID_SET_PASSWORD);
    dialogs.line = std::string(128, '\\');  // sent doubled: 256 bytes
    run(ID_EXEC_SEND_DATA);
    EXPECT_EQ(prompts.messages, (Strings{"The password is too long (at most 256 bytes)",
                                         "The data is too long: encoded it must fit 255 bytes"}));
    EXPECT_EQ(link.arguments.size(), 5u);
}

TEST_F(HostSetupCommands, TablesGoOutWithTheirTextAsDetail) {
    host.settings().Address = "A";
    run(ID_SET_BAR_TABLE);
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].operation, "Set Bar symbology");
    EXPECT_EQ(host.reports[0].detail, link.arguments.at(0));

    // The device dialog follows the terminal type.
    const std::pair<TerminalType, const char*> dialogsByType[] = {
        {TerminalType::KD31_KD32, "KD35"}, {TerminalType::KD35, "KD35"},
        {TerminalType::KD24, "KD24"},      {TerminalType::VS17, "VS17"},
        {TerminalType::VS19, "VS17"},      {TerminalType::VS15, "VS17"}};
    for (const auto& [type, dialog] : dialogsByType) {
        dialogs.opened.clear();
        host.settings().Terminal_type = type;
        run(ID_SET_DEVICE_TABLE);
        EXPECT_EQ(dialogs.opened, Strings{dialog}) << static_cast<int>(type);
    }
}

// ---- Address ----

TEST_F(HostSetupCommands, AddressChangeAddressesOnlyFromAndTheListFollows) {
    dialogs.address = AddressChange{'A', 'D'};
    run(ID_SET_ADDRESS);
    EXPECT_EQ(dialogs.opened, Strings{"Change addreee AB"});
    EXPECT_EQ(link.calls, Strings{callOf(SetupCall::SetAddress, 'A', "D")});
    EXPECT_EQ(host.settings().Address, "DB");
    EXPECT_EQ(host.reportLines(), Strings{"D|Change address A to D||0"});
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.file.Address, "DB");

    // A refusal keeps the list; every result is reported, 48 as a missing one.
    host.reports.clear();
    dialogs.address = AddressChange{'B', 'E'};
    for (const int code : {RC_NOT_EXIST, RC_NO_DATA}) {
        link.result = [code](char, const std::string&) { return code; };
        run(ID_SET_ADDRESS);
    }
    EXPECT_EQ(host.settings().Address, "DB");
    EXPECT_EQ(host.reportLines(),
              (Strings{"B|Change address B to E||48", "B|Change address B to E||7"}));
    EXPECT_EQ(status(1), TerminalStatus::Failed);
    EXPECT_EQ(host.saves, 1);
}

TEST_F(HostSetupCommands, AddressChangeWithNothingToChangeSendsNothing) {
    host.state().selection[0] = 0;
    dialogs.address = AddressChange{'A', 'D'};  // A not selected
    run(ID_SET_ADDRESS);
    host.state().selection[0] = 1;
    for (const AddressChange change :
         {AddressChange{'A', 0}, AddressChange{'A', 'B'}, AddressChange{'Q', 'D'}}) {
        dialogs.address = change;
        run(ID_SET_ADDRESS);
    }
    dialogs.address.reset();
    run(ID_SET_ADDRESS);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.settings().Address, "AB");
    EXPECT_EQ(host.saves, 0);
}

// ---- Communication table ----

TEST_F(HostSetupCommands, CommTableCarriesEachTerminalsAddress) {
    ChangeCommValues values;
    values.baudIndex = 6;  // 9600
    values.parityIndex = 0;
    values.dataBitsIndex = 1;
    values.stopBitsIndex = 0;
    values.terminalTimeout = 20;
    values.changePc = 0;
    dialogs.comm = values;
    host.settings().Terminal_type = TerminalType::KD24;
    run(ID_SET_COMM_TABLE);
    EXPECT_EQ(link.arguments, (Strings{"718NMA20F", "718NMB20F"}));
    EXPECT_EQ(host.reportLines(), (Strings{"A|Set commnication Para.|718NMA20F|0",
                                           "B|Set commnication Para.|718NMB20F|0"}));
    EXPECT_EQ(host.settings().TERMINAL_TIMEOUT, 20);

    link.arguments.clear();
    host.settings().Terminal_type = TerminalType::VS19;
    values.terminalTimeout = 105;  // taken modulo 100
    values.baudIndex = 9;
    values.parityIndex = 2;
    values.dataBitsIndex = 0;
    values.stopBitsIndex = 1;
    dialogs.comm = values;
    run(ID_SET_COMM_TABLE);
    EXPECT_EQ(link.arguments, (Strings{"A27EFMA005", "A27EFMB005"}));
    EXPECT_EQ(host.settings().TERMINAL_TIMEOUT, 5);
    EXPECT_EQ(host.ran, (std::vector<int>{ID_SET_COMM_TABLE, ID_SET_COMM_TABLE}));
}

TEST_F(HostSetupCommands, ChangePcParameterHangsUpSavesTheNewLineAndConnects) {
    host.settings().BaudRate = 6;
    ChangeCommValues values = changeCommValuesFor(host.settings());
    values.baudIndex = 8;  // 38400
    dialogs.comm = values;
    run(ID_SET_COMM_TABLE);
    EXPECT_EQ(dialogs.commShown.changePc, 1);
    // Hung up on the old line, then the new one stored and saved before connecting.
    EXPECT_EQ(link.calls.size(), 3u);
    EXPECT_EQ(link.calls[2], "hang up 6");
    EXPECT_EQ(host.ran, (std::vector<int>{ID_SET_COMM_TABLE, ID_PORT_DISCONNECT, ID_PORT_CONNECT}));
    EXPECT_EQ(host.file.BaudRate, 8);
    EXPECT_EQ(host.settings().BaudRate, 8);
    EXPECT_TRUE(host.state().connected);

    // Cancelled, or a line that cannot be brought up: nothing sent, the PC's line kept.
    host.ran.clear();
    dialogs.comm.reset();
    run(ID_SET_COMM_TABLE);
    values.baudIndex = 2;
    dialogs.comm = values;
    host.setConnected(false);
    host.connectSucceeds = false;
    run(ID_SET_COMM_TABLE);
    EXPECT_EQ(link.calls.size(), 3u);
    EXPECT_EQ(host.settings().BaudRate, 8);
    EXPECT_EQ(host.saves, 1);
}

// ---- Purge ----

class HostSetupPurge : public HostSetupCommands {
protected:
    void SetUp() override {
        HostSetupCommands::SetUp();
        FileChoice choice;
        choice.files = {"ONE.DAT", "TWO.DAT", "THREE.DAT"};
        dialogs.files = choice;
    }
};

TEST_F(HostSetupPurge, ThreeFilesOnTwoTerminalsAfterAFreshDirectory) {
    link.result = [](char address, const std::string& file) {
        if (file == "TWO.DAT") return address == 'A' ? RC_NOT_EXIST : RC_TIME_OUT;
        return RC_SUCCESS;
    };
    run(ID_EXEC_PURGE);
    EXPECT_EQ(link.calls.front(), "dir");
    EXPECT_EQ(dialogs.asked.addresses, "AB");
    EXPECT_EQ(dialogs.asked.listings, (Strings{"PROG.EXE,DATA.TXT", "OTHER.EXE"}));
    EXPECT_EQ(dialogs.asked.terminalChoice, 1);
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|Purge |ONE.DAT|0", "A|Purge |TWO.DAT|48", "A|Purge |THREE.DAT|0",
                       "B|Purge |ONE.DAT|0", "B|Purge |TWO.DAT|4", "B|Purge |THREE.DAT|0"}));
    // The last file decides the picture; the last name chosen stays in Delete_File1.
    EXPECT_EQ(status(0), TerminalStatus::Done);
    link.result = [](char, const std::string& file) {
        return file == "THREE.DAT" ? RC_NOT_EXIST : RC_ILLEGAL_COMMAND;
    };
    run(ID_EXEC_PURGE);
    EXPECT_EQ(status(0), TerminalStatus::FileMissing);
    EXPECT_EQ(host.settings().Delete_File1, "THREE.DAT");
    dialogs.files->files.pop_back();
    run(ID_EXEC_PURGE);
    EXPECT_EQ(status(0), TerminalStatus::Failed);
}

TEST_F(HostSetupPurge, StopBetweenFilesEndsAfterTheDeleteUnderWay) {
    link.afterCall = [this] {
        if (link.calls.size() == 2) host.setReady(true);  // after "dir" and the first delete
    };
    run(ID_EXEC_PURGE);
    EXPECT_EQ(host.reportLines(), Strings{"A|Purge |ONE.DAT|0"});
}

TEST_F(HostSetupPurge, SingleTerminalNoChoiceCancelAndOverlongNames) {
    dialogs.files->terminalChoice = 0;
    dialogs.files->currentAddress = 'B';
    dialogs.files->files = {"ONE.DAT", std::string(20, 'L')};
    run(ID_EXEC_PURGE);
    // Never cut to fit: the cut name would be another file.
    EXPECT_EQ(host.reportLines(),
              (Strings{"B|Purge |ONE.DAT|0", "B|Purge |" + std::string(20, 'L') + "|" +
                                                 std::to_string(RC_ILLEGAL_FILE_NAME)}));
    EXPECT_EQ(link.calls.size(), 2u);  // dir and one delete
    EXPECT_EQ(status(1), TerminalStatus::Failed);

    host.reports.clear();
    dialogs.files->files.clear();
    run(ID_EXEC_PURGE);
    EXPECT_EQ(prompts.messages, Strings{"No file to be setting"});
    dialogs.files.reset();
    run(ID_EXEC_PURGE);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(HostSetupPurge, Vs19WaitsBeforeTheLine) {
    host.settings().Terminal_type = TerminalType::VS19;
    host.settings().Address = "A";
    dialogs.files->files = {"ONE.DAT"};
    run(ID_EXEC_PURGE);
    EXPECT_EQ(link.calls, (Strings{"dir", "delay", callOf(SetupCall::Delete, 'A', "ONE.DAT")}));
    EXPECT_EQ(link.delays, std::vector<int>{1500});
}

TEST_F(HostSetupPurge, CommandLineDeletesTheNamedFileEverywhereAndCloses) {
    commandLine({"AB", "E", "DATA.TXT"});
    host.settings().Delete_File1 = "DATA.TXT";
    run(ID_EXEC_PURGE);
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(link.calls, (Strings{callOf(SetupCall::Delete, 'A', "DATA.TXT"),
                                   callOf(SetupCall::Delete, 'B', "DATA.TXT")}));
    EXPECT_EQ(host.closes, 1);

    // The line does not come up: the unattended run ends all the same.
    host.setConnected(false);
    host.connectSucceeds = false;
    run(ID_EXEC_PURGE);
    EXPECT_EQ(host.closes, 2);
    host.settings().AUTO_EXIT = false;
    run(ID_EXEC_PURGE);
    EXPECT_EQ(host.closes, 2);
}

// A command line for another operation leaves its mode on: the menu's Purge and Run still ask,
// and never delete what Delete_File1 holds or start what the old words name.
TEST_F(HostSetupPurge, ModeLeftByAnotherCommandLineStillAsks) {
    commandLine({"AB", "M", "PROG.EXE"});
    host.settings().Delete_File1 = "DATA.TXT";
    dialogs.files.reset();
    run(ID_EXEC_PURGE);
    run(ID_EXEC_RUN);
    EXPECT_EQ(dialogs.opened, (Strings{"Browse Multi File", "Run Program select EXE"}));
    for (const std::string& call : link.calls) {
        EXPECT_NE(call.rfind(callOf(SetupCall::Delete, 'A', ""), 0), 0u) << call;
        EXPECT_NE(call.rfind(callOf(SetupCall::Run, 'A', ""), 0), 0u) << call;
    }
    EXPECT_EQ(host.closes, 0);
}

// ---- Run, Run (Flash ROM), AutoBoot ----

TEST_F(HostSetupCommands, RunSendsTheNameCutAtItsFirstDot) {
    host.settings().Address = "A";
    const std::pair<const char*, const char*> names[] = {
        {"PROG.EXE", "PROG"}, {"PROG", "PROG"}, {"A.B.EXE", "A"}};
    for (const auto& [chosen, sent] : names) {
        dialogs.file = TerminalFileChoice{chosen, 'A', 1};
        run(ID_EXEC_RUN);
        EXPECT_EQ(link.arguments.back(), sent);
    }
    dialogs.file = TerminalFileChoice{"PROG.EXE", 'A', 1};
    run(ID_EXEC_RUN_ROM);
    EXPECT_EQ(link.arguments.back(), "PROG/ROM");
    EXPECT_EQ(host.reportLines().back(), "A|Run|PROG/ROM|0");
    EXPECT_EQ(link.calls[link.calls.size() - 2], "dir rom");
    EXPECT_EQ(link.calls[0], "dir");
    EXPECT_EQ(dialogs.opened.back(), "Run Program select EXE");
}

TEST_F(HostSetupCommands, RunCountsFlashRomAsSuccessAutoBootDoesNot) {
    dialogs.file = TerminalFileChoice{"PROG.EXE", 'A', 1};
    link.result = [](char address, const std::string&) {
        return address == 'A' ? RC_FROM_FLASH_ROM : RC_NOT_EXIST;
    };
    run(ID_EXEC_RUN);
    EXPECT_EQ(host.reportLines(), (Strings{"A|Run|PROG|54", "B|Run|PROG|48"}));
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(status(1), TerminalStatus::Failed);

    host.reports.clear();
    run(ID_SET_AUTOBOOT);
    EXPECT_EQ(host.reportLines(), (Strings{"A|Auto-Boot|PROG|54", "B|Auto-Boot|PROG|48"}));
    EXPECT_EQ(status(0), TerminalStatus::Failed);
    EXPECT_EQ(dialogs.opened, (Strings{"Run Program select EXE", "Run Program select EXE"}));
}

TEST_F(HostSetupCommands, RunOnOneTerminalOrNothingChosen) {
    dialogs.file = TerminalFileChoice{"OTHER.EXE", 'B', 0};
    run(ID_EXEC_RUN);
    EXPECT_EQ(host.reportLines(), Strings{"B|Run|OTHER|0"});
    dialogs.file = TerminalFileChoice{"", 'A', 1};
    run(ID_EXEC_RUN);
    dialogs.file.reset();
    run(ID_EXEC_RUN);
    run(ID_SET_AUTOBOOT);
    EXPECT_EQ(link.calls.size(), 5u);  // four listings and one run
    EXPECT_EQ(prompts.messages, Strings{"No file to be setting"});
}

TEST_F(HostSetupCommands, CommandLineRunsTheNamedProgramAndCloses) {
    commandLine({"AB", "X", "PROG.EXE"});
    host.settings().Terminal_type = TerminalType::VS19;
    run(ID_EXEC_RUN);
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(link.calls, (Strings{"delay", callOf(SetupCall::Run, 'A', "PROG"),
                                   callOf(SetupCall::Run, 'B', "PROG")}));
    EXPECT_EQ(host.closes, 1);
    // Run (Flash ROM) has no command-line form: it asks.
    run(ID_EXEC_RUN_ROM);
    EXPECT_EQ(dialogs.opened, Strings{"Run Program select EXE"});
}

// ---- Time and Date ----

class HostSetupTime : public HostSetupCommands {
protected:
    static TimeSyncValues entered(int year, int month, int day, int hour, int minute, int second) {
        return TimeSyncValues{1, year, month, day, hour, minute, second};
    }
    std::string pcText(std::time_t at) {
        std::tm local{};
        localtime_r(&at, &local);
        return opscore::date_time_text(local);
    }
};

TEST_F(HostSetupTime, SpecifiedTimeRunsOnWithTheLoop) {
    dialogs.time = entered(2024, 5, 17, 10, 0, 0);
    link.afterCall = [this] { clock.at += 7; };  // B is reached seven seconds after A
    run(ID_SET_TIME_DATE);
    EXPECT_EQ(link.arguments, (Strings{"20240517100000", "20240517100007"}));
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|Time Sync.|20240517100000|0", "B|Time Sync.|20240517100007|0"}));
}

TEST_F(HostSetupTime, SpecifiedTimeCrossesMidnightIntoTheNextDay) {
    dialogs.time = entered(2024, 12, 31, 23, 59, 58);
    link.afterCall = [this] { clock.at += 7; };
    run(ID_SET_TIME_DATE);
    EXPECT_EQ(link.arguments, (Strings{"20241231235958", "20250101000005"}));
}

TEST_F(HostSetupTime, SystemTimeIsReadJustBeforeEachCall) {
    dialogs.time = TimeSyncValues{};
    dialogs.time->source = 0;
    const std::time_t start = clock.at;
    link.afterCall = [this] { clock.at += 61; };
    run(ID_SET_TIME_DATE);
    EXPECT_EQ(link.arguments, (Strings{pcText(start), pcText(start + 61)}));
    // The dialog opens on System time and the PC's date and time.
    std::tm local{};
    localtime_r(&start, &local);
    const TimeSyncValues& shown = dialogs.timeShown;
    EXPECT_EQ((std::vector<int>{shown.source, shown.year, shown.month, shown.day, shown.hour,
                                shown.minute, shown.second}),
              (std::vector<int>{0, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                local.tm_hour, local.tm_min, local.tm_sec}));
}

TEST_F(HostSetupTime, CancelAndImpossibleDatesSendNothing) {
    run(ID_SET_TIME_DATE);  // cancelled
    dialogs.time = entered(2023, 2, 29, 10, 0, 0);
    run(ID_SET_TIME_DATE);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(prompts.messages.size(), 1u);
    dialogs.time = entered(2024, 2, 29, 10, 0, 0);  // a leap year has it
    run(ID_SET_TIME_DATE);
    EXPECT_EQ(link.arguments.front(), "20240229100000");
}

TEST_F(HostSetupTime, CommandLineSendsThePcClockWithoutADialogAndCloses) {
    commandLine({"AB", "M"});
    run(ID_SET_TIME_DATE);
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(link.arguments, (Strings{pcText(clock.at), pcText(clock.at)}));
    EXPECT_EQ(host.closes, 1);
    host.setConnected(false);
    host.connectSucceeds = false;
    run(ID_SET_TIME_DATE);
    EXPECT_EQ(host.closes, 2);
}

// Polling sets the clocks when it starts and within its window: never a dialog, and the
// unattended poll that follows is not ended by them.
TEST_F(HostSetupTime, PollingsSynchronisationAsksNothingAndLeavesTheProgramOpen) {
    commandLine({"AB", "1"});
    run(ID_SET_TIME_DATE);
    host.state().commandLineMode = false;
    commands.timeAndDateFromPcClock();
    host.setReady(false);
    host.state().selection[1] = 0;
    commands.setSelectedClocksFromPc();
    EXPECT_FALSE(host.state().isReady());
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(link.arguments.size(), 5u);
    EXPECT_EQ(host.reportLines().back(), "A|Time Sync.|" + pcText(clock.at) + "|0");
    EXPECT_EQ(host.closes, 0);
}

}  // namespace
