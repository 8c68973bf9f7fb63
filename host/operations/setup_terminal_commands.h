// Execute and Execute > Set Terminal's: the commands that start, stop, reset and configure the
// terminals, and the command-line operations E, M and X.
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "comm_dialog_values.h"
#include "polling_time_dlgs.h"
#include "table_dlgs.h"
#include "terminal_frame.h"
#include "terminal_settings.h"
#include "transfer_file_dlgs.h"

namespace vantrel {

class HostServices;
class OperatorPrompts;
class SetupLink;
enum class SetupCall;

// The dialogs the set-up commands open; the window shows them, tests answer.
class SetupDialogs {
public:
    virtual ~SetupDialogs() = default;
    // "Browse Multi File".
    virtual std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) = 0;
    // "Browse Terminal File" under caption.
    virtual std::optional<TerminalFileChoice> chooseTerminalFile(const FileChoiceInput& input,
                                                                 const std::string& caption,
                                                                 bool exeOnly) = 0;
    // The input line under caption.
    virtual std::optional<std::string> inputLine(const std::string& caption) = 0;
    virtual std::optional<AddressChange> changeAddress(const std::string& addresses) = 0;
    virtual std::optional<opscore::BarCodeChoice> barCode() = 0;
    virtual std::optional<opscore::Kd35DeviceChoice> kd35Device() = 0;
    virtual std::optional<opscore::Kd24DeviceChoice> kd24Device() = 0;
    virtual std::optional<opscore::Vs17DeviceChoice> vs17Device() = 0;
    // "Change comm. parameter".
    virtual std::optional<ChangeCommValues> changeComm(const ChangeCommValues& initial) = 0;
    // "Time Synchronize".
    virtual std::optional<TimeSyncValues> timeSync(const TimeSyncValues& initial) = 0;
};

// The PC's clock, read just before each terminal is set.
class SetupClock {
public:
    virtual ~SetupClock() = default;
    virtual std::time_t now() = 0;
};

SetupClock& systemSetupClock();

class TerminalSetupCommands {
public:
    TerminalSetupCommands(HostServices& services, SetupLink& link, OperatorPrompts& prompts,
                          SetupDialogs& dialogs, SetupClock& clock);

    void coldStart();
    void warmStart();
    void kermit();
    void powerSaving(bool on);
    // From the chosen files; in command-line mode ("E file") the file in Delete_File1.
    void purge();
    // The chosen program; in command-line mode ("X program") the command line's.
    void run();
    void runFromFlashRom();
    void sendData();
    void changeAddress();
    void autoBoot();
    void barTable();
    void buzzer(opscore::BeeperLevel level);
    void systemFont(opscore::SystemFont font);
    void commTable();
    void deviceTable();
    void executableAreaSize();
    void keypad(opscore::KeypadSetting setting);
    void password();
    // The dialog's choice; in command-line mode ("M") the PC's clock.
    void timeAndDate();
    void upsOff();

    // Time and Date as polling issues it when it starts: no dialog, the PC's clock, and the
    // program stays open (the poll that follows is the run's command).
    void timeAndDateFromPcClock();
    // The PC's clock to each selected terminal inside a command that is running already (the
    // ready flag is 0 and stays so): polling's synchronisation window.
    void setSelectedClocksFromPc();

private:
    // The PC's clock when nothing is entered; else the entered date and time.
    struct ClockSource {
        std::optional<std::string> entered;
        std::time_t loopStart = 0;
    };

    void oneCallEach(SetupCall call, const char* operation, const std::string& detail,
                     const std::string& text = {}, int number = 0);
    void runLoop(const TerminalLoop::Step& step, const TerminalLoop::Filter& filter = {});
    std::optional<FileChoiceInput> freshListings(int directoryCommand);
    std::optional<TerminalFileChoice> chooseProgram(int directoryCommand);
    void runProgram(bool flashRom);
    void deleteFile(int index, char address, const std::string& file);
    void setClocks(std::optional<std::string> entered, bool commandLineRun);
    void setClock(int index, char address, const ClockSource& source);
    std::string pcClockText();
    TimeSyncValues timeSyncPreset();

    bool idle() const;
    bool stopped() const;
    bool isCommandLineForm(char letter, std::size_t minTokens) const;
    void pauseOnVs19();

    HostServices& services_;
    SetupLink& link_;
    OperatorPrompts& prompts_;
    SetupDialogs& dialogs_;
    SetupClock& clock_;
};

// Every menu entry of the set-up commands to its command; keepAlive is held by the handlers.
void setTerminalSetupHandlers(HostServices& services, TerminalSetupCommands& commands,
                              std::shared_ptr<void> keepAlive = {});

void install_terminal_setup_commands(HostServices& services);

// The time synchronisation of polling, with the library and the window's boxes: the whole
// command when polling starts, and the visit of the selected terminals while it runs.
void setTerminalClocksFromPc(HostServices& services);
void setSelectedTerminalClocksFromPc(HostServices& services);

}  // namespace vantrel
