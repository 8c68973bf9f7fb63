#include "setup_terminal_commands.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "change_comm_dlg.h"
#include "command_ids.h"
#include "date_time_text.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "request_text.h"
#include "setup_link.h"
#include "table_texts.h"
#include "terminal_files.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr char kNoFiles[] = "No file to be setting";
constexpr char kRunProgramSelect[] = "Run Program select";
constexpr char kPurge[] = "Purge ";
constexpr char kRun[] = "Run";
constexpr char kTimeSync[] = "Time Sync.";
// The label's spelling is what operators' logs have always shown.
constexpr char kCommTable[] = "Set commnication Para.";
constexpr char kBlank[] = " ";

// The VS19 needs a moment before it takes a file command.
constexpr int kVs19SettleMs = 1500;
// The room the Delete_File1 setting has for a name.
constexpr std::size_t kDeleteNameMax = 19;

class WindowSetupDialogs final : public SetupDialogs {
public:
    explicit WindowSetupDialogs(QWidget* owner) : owner_(owner) {}
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) override {
        return askTerminalFiles(input, owner_);
    }
    std::optional<TerminalFileChoice> chooseTerminalFile(const FileChoiceInput& input,
                                                         const std::string& caption,
                                                         bool exeOnly) override {
        return askTerminalFile(input, caption, exeOnly, owner_);
    }
    std::optional<std::string> inputLine(const std::string& caption) override {
        return askInputLine(caption, owner_);
    }
    std::optional<AddressChange> changeAddress(const std::string& addresses) override {
        return askAddressChange(addresses, owner_);
    }
    std::optional<opscore::BarCodeChoice> barCode() override { return askBarCode(owner_); }
    std::optional<opscore::Kd35DeviceChoice> kd35Device() override { return askKd35Device(owner_); }
    std::optional<opscore::Kd24DeviceChoice> kd24Device() override { return askKd24Device(owner_); }
    std::optional<opscore::Vs17DeviceChoice> vs17Device() override { return askVs17Device(owner_); }
    std::optional<ChangeCommValues> changeComm(const ChangeCommValues& initial) override {
        return CChangeCommDlg::ask(initial, owner_);
    }
    std::optional<TimeSyncValues> timeSync(const TimeSyncValues& initial) override {
        return askTimeSync(initial, owner_);
    }

private:
    QWidget* owner_;
};

class SystemSetupClock final : public SetupClock {
public:
    std::time_t now() override { return std::time(nullptr); }
};

struct SetupModule {
    explicit SetupModule(HostServices& services)
        : prompts(boxOwner(services)),
          dialogs(boxOwner(services)),
          commands(services, librarySetupLink(), prompts, dialogs, systemSetupClock()) {}
    MessageBoxPrompts prompts;
    WindowSetupDialogs dialogs;
    TerminalSetupCommands commands;
};

// The dialog's Single Terminal narrows the command to the address it showed.
TerminalLoop::Filter filterFor(int terminalChoice, char currentAddress) {
    if (terminalChoice != 0) return {};
    return [currentAddress](int, char at) { return at == currentAddress; };
}

TerminalStatus statusOfFileCall(int code) {
    if (code == RC_SUCCESS) return TerminalStatus::Done;
    if (code == RC_NOT_EXIST) return TerminalStatus::FileMissing;
    return TerminalStatus::Failed;
}

bool isAddressCharacter(char c) {
    return (c >= 'A' && c <= 'Y') || (c >= '0' && c <= '6');
}

std::string dateTimeText(const TimeSyncValues& v) {
    char text[64];
    std::snprintf(text, sizeof text, "%4d%.2d%.2d%.2d%.2d%.2d", v.year, v.month, v.day, v.hour,
                  v.minute, v.second);
    return text;
}

const char* keypadOperation(opscore::KeypadSetting setting) {
    switch (setting) {
        case opscore::KeypadSetting::Lock:
            return "Set keypad lock";
        case opscore::KeypadSetting::Unlock:
            return "Set keypad unlock";
        case opscore::KeypadSetting::PartialLock:
            return "Set keypad partial lock";
        case opscore::KeypadSetting::RestoreKeymap:
            return "Restore system keymap";
    }
    return "";
}

const char* buzzerOperation(opscore::BeeperLevel level) {
    switch (level) {
        case opscore::BeeperLevel::Low:
            return "Set Beeper volume low";
        case opscore::BeeperLevel::Medium:
            return "Set Beeper volume medium";
        case opscore::BeeperLevel::High:
            return "Set Beeper volume high";
    }
    return "";
}

const char* fontOperation(opscore::SystemFont font) {
    switch (font) {
        case opscore::SystemFont::All:
            return "Restore all system font";
        case opscore::SystemFont::Font16x8:
            return "Restore 16x8 system font";
        case opscore::SystemFont::Font32x16:
            return "Restore 32x16 system font";
    }
    return "";
}

opscore::CommSettings commSettingsOf(const ChangeCommValues& v, const HostSettings& s) {
    opscore::CommSettings comm;
    comm.kind = s.Terminal_type;
    comm.baud_index = v.baudIndex;
    comm.data_bits = v.dataBitsIndex == 0 ? 7 : 8;
    comm.parity = v.parityIndex == 1 ? 'O' : v.parityIndex == 2 ? 'E' : 'N';
    comm.stop_bits = v.stopBitsIndex == 1 ? 2 : 1;
    comm.timeout_tenths = s.TERMINAL_TIMEOUT;
    return comm;
}

}  // namespace

SetupClock& systemSetupClock() {
    static SystemSetupClock clock;
    return clock;
}

TerminalSetupCommands::TerminalSetupCommands(HostServices& services, SetupLink& link,
                                             OperatorPrompts& prompts, SetupDialogs& dialogs,
                                             SetupClock& clock)
    : services_(services), link_(link), prompts_(prompts), dialogs_(dialogs), clock_(clock) {}

// ---- Commands of one call per terminal ----

void TerminalSetupCommands::coldStart() {
    if (!idle() || !prompts_.askYesNo("Are you sure to Cold Start?")) return;
    oneCallEach(SetupCall::ColdStart, "Cold Start", "");
}

void TerminalSetupCommands::warmStart() {
    if (idle()) oneCallEach(SetupCall::WarmStart, "Warm Start", "");
}

void TerminalSetupCommands::kermit() {
    if (idle()) oneCallEach(SetupCall::Kermit, "Execute kermit", "");
}

void TerminalSetupCommands::upsOff() {
    if (idle()) oneCallEach(SetupCall::Ups, "Set UPS off", "");
}

void TerminalSetupCommands::buzzer(opscore::BeeperLevel level) {
    if (idle())
        oneCallEach(SetupCall::Buzzer, buzzerOperation(level), kBlank, {},
                    opscore::beeper_volume(level));
}

void TerminalSetupCommands::systemFont(opscore::SystemFont font) {
    if (idle())
        oneCallEach(SetupCall::SystemFont, fontOperation(font), kBlank, {},
                    opscore::system_font_character(font));
}

void TerminalSetupCommands::keypad(opscore::KeypadSetting setting) {
    if (idle())
        oneCallEach(SetupCall::Keypad, keypadOperation(setting), kBlank, {},
                    opscore::keypad_character(setting));
}

void TerminalSetupCommands::sendData() {
    if (!idle()) return;
    const auto text = dialogs_.inputLine("Input application data");
    if (!text) return;
    // Part of the data would reach the terminal as if it were all of it.
    if (!opscore::fits_send_data(*text)) {
        prompts_.showMessage("The data is too long: encoded it must fit " +
                                 std::to_string(opscore::kMaxEncodedData) + " bytes",
                             false);
        return;
    }
    oneCallEach(SetupCall::SendData, "Send Data", *text, *text);
}

void TerminalSetupCommands::password() {
    if (!idle()) return;
    // The report leaves the password out: the log is no place for it.
    const auto text = dialogs_.inputLine("Input New Password");
    if (!text) return;
    // A cut password would lock the terminal with one the operator never typed.
    if (!opscore::fits_request(*text)) {
        prompts_.showMessage(tooLongForRequest("password"), false);
        return;
    }
    oneCallEach(SetupCall::Password, "Set password", "", *text);
}

void TerminalSetupCommands::executableAreaSize() {
    if (!idle()) return;
    const auto text = dialogs_.inputLine("Executing area size (K-Byte)");
    if (!text) return;
    // Held within int, so a huge entry is refused by the terminal's range check instead of
    // wrapping round into a size it would take.
    const int size =
        static_cast<int>(std::clamp<long long>(leadingNumber(*text), INT_MIN, INT_MAX));
    oneCallEach(SetupCall::ExeSize, "Exec area is", std::to_string(size), {}, size);
}

void TerminalSetupCommands::barTable() {
    if (!idle()) return;
    const auto choice = dialogs_.barCode();
    if (!choice) return;
    const std::string table = opscore::bar_table_text(services_.settings().Terminal_type, *choice);
    oneCallEach(SetupCall::BarTable, "Set Bar symbology", table, table);
}

void TerminalSetupCommands::deviceTable() {
    if (!idle()) return;
    const TerminalType type = services_.settings().Terminal_type;
    std::optional<std::string> table;
    if (type == TerminalType::KD24) {
        if (const auto choice = dialogs_.kd24Device()) table = opscore::device_table_text(*choice);
    } else if (opscore::is_vs_kind(type)) {
        if (const auto choice = dialogs_.vs17Device()) table = opscore::device_table_text(*choice);
    } else if (const auto choice = dialogs_.kd35Device()) {
        table = opscore::device_table_text(type, *choice);
    }
    if (table) oneCallEach(SetupCall::DeviceTable, "Set device table", *table, *table);
}

void TerminalSetupCommands::powerSaving(bool on) {
    if (!idle() || !readyCheck(services_, prompts_)) return;
    const int port = services_.settings().Port;
    runLoop([this, on, port](int index, char address) {
        // Every answer is shown: the operator asked about exactly this.
        const int code = link_.call(on ? SetupCall::PowerSavingOn : SetupCall::PowerSavingOff, port,
                                    address, {}, 0);
        services_.state().status[index] =
            code == RC_SUCCESS ? TerminalStatus::Done : TerminalStatus::Idle;
        services_.reporter().report(address, on ? "Power-Saving on" : "Power-Saving off", kBlank,
                                    code);
    });
}

void TerminalSetupCommands::oneCallEach(SetupCall call, const char* operation,
                                        const std::string& detail, const std::string& text,
                                        int number) {
    if (!readyCheck(services_, prompts_)) return;
    const int port = services_.settings().Port;
    runLoop([&](int index, char address) {
        const int code = link_.call(call, port, address, text, number);
        showOneCallResult(services_, index, address, operation, detail, code);
    });
}

// ---- Address ----

void TerminalSetupCommands::changeAddress() {
    if (!idle()) return;
    const std::string addresses = services_.settings().Address;
    const auto change = dialogs_.changeAddress(addresses);
    if (!change) return;
    const char from = change->from;
    const char to = change->to;
    // No terminal to change, or a new address that is none or already answers on the line.
    if (addresses.find(from) == std::string::npos || !isAddressCharacter(to) ||
        addresses.find(to) != std::string::npos)
        return;
    if (!readyCheck(services_, prompts_)) return;
    char operation[32];
    std::snprintf(operation, sizeof operation, "Change address %c to %c", from, to);
    const int port = services_.settings().Port;
    bool changed = false;
    runLoop(
        [&](int index, char address) {
            const int code = link_.call(SetupCall::SetAddress, port, address, {},
                                        static_cast<unsigned char>(to));
            services_.state().status[index] = statusOfFileCall(code);
            if (code == RC_SUCCESS) {
                // The terminal answers to its new address only: later commands must use it.
                services_.settings().Address[index] = to;
                changed = true;
            }
            services_.reporter().report(code == RC_SUCCESS ? to : address, operation, "", code);
        },
        [from](int, char address) { return address == from; });
    // The file follows the line at once: a settings dialog re-reads it and would bring back
    // the address that no terminal answers to any more.
    if (changed) services_.saveSettings();
}

// ---- Communication table ----

void TerminalSetupCommands::commTable() {
    if (!idle()) return;
    HostSettings& settings = services_.settings();
    const auto values = dialogs_.changeComm(changeCommValuesFor(settings));
    if (!values) return;
    storeTerminalTimeout(*values, settings);
    if (!readyCheck(services_, prompts_)) return;
    const opscore::CommSettings comm = commSettingsOf(*values, settings);
    const int port = settings.Port;
    runLoop([&](int index, char address) {
        const std::string table = opscore::comm_table_text(comm, address);
        const int code = link_.call(SetupCall::CommTable, port, address, table, 0);
        showOneCallResult(services_, index, address, kCommTable, table, code);
    });
    if (!values->changePc) return;
    // The PC's line follows the terminals': hang up, store the new line, connect again.
    services_.runCommand(ID_PORT_DISCONNECT);
    storePcLine(*values, settings);
    services_.saveSettings();
    services_.runCommand(ID_PORT_CONNECT);
}

// ---- File-choice commands ----

void TerminalSetupCommands::purge() {
    if (!idle()) return;
    const bool commandLineRun = isCommandLineForm('E', 3);
    std::vector<std::string> files;
    TerminalLoop::Filter filter;
    if (commandLineRun) {
        files.push_back(services_.settings().Delete_File1);
    } else {
        const auto input = freshListings(ID_INQ_DIRECTORY);
        if (!input) return;
        const auto choice = dialogs_.chooseTerminalFiles(*input);
        if (!choice) return;
        if (choice->files.empty()) {
            prompts_.showMessage(kNoFiles, false);
            return;
        }
        files = choice->files;
        if (files.size() > kChosenFilesMax) files.resize(kChosenFilesMax);
        filter = filterFor(choice->terminalChoice, choice->currentAddress);
    }
    pauseOnVs19();
    if (!readyCheck(services_, prompts_)) {
        if (commandLineRun) closeIfCommandLineLineDown(services_);
        return;
    }
    runLoop(
        [&](int index, char address) {
            for (const std::string& file : files) {
                if (stopped()) break;  // the delete under way was finished
                deleteFile(index, address, file);
            }
        },
        filter);
    if (commandLineRun) closeIfCommandLineDone(services_);
}

void TerminalSetupCommands::deleteFile(int index, char address, const std::string& file) {
    HostState& state = services_.state();
    int code = RC_ILLEGAL_FILE_NAME;
    // A name cut to fit would name another file, which must not go instead.
    if (file.size() <= kDeleteNameMax) {
        services_.settings().Delete_File1 = file;
        code = link_.call(SetupCall::Delete, services_.settings().Port, address, file, 0);
    }
    state.status[index] = statusOfFileCall(code);
    services_.reporter().report(address, kPurge, file, code);
    services_.redraw();
}

void TerminalSetupCommands::run() {
    runProgram(false);
}

void TerminalSetupCommands::runFromFlashRom() {
    runProgram(true);
}

void TerminalSetupCommands::runProgram(bool flashRom) {
    if (!idle()) return;
    const bool commandLineRun = !flashRom && isCommandLineForm('X', 3);
    std::string program;
    TerminalLoop::Filter filter;
    if (commandLineRun) {
        program = opscore::program_name(services_.state().commandTokens[2]);
    } else {
        const auto choice = chooseProgram(flashRom ? ID_INQ_DIRECTORY_ROM : ID_INQ_DIRECTORY);
        if (!choice) return;
        program = opscore::program_name(choice->file);
        filter = filterFor(choice->terminalChoice, choice->currentAddress);
    }
    if (program.empty()) {
        // Nothing to start: the terminal would only refuse an empty name.
        prompts_.showMessage(kNoFiles, false);
        if (commandLineRun) closeIfCommandLineDone(services_);
        return;
    }
    if (flashRom) program = opscore::flash_rom_name(program);
    pauseOnVs19();
    if (!readyCheck(services_, prompts_)) {
        if (commandLineRun) closeIfCommandLineLineDown(services_);
        return;
    }
    const int port = services_.settings().Port;
    runLoop(
        [&](int index, char address) {
            const int code = link_.call(SetupCall::Run, port, address, program, 0);
            if (code == RC_FROM_FLASH_ROM) {
                // Started from flash ROM: a success, shown with its own text.
                services_.state().status[index] = TerminalStatus::Done;
                services_.reporter().report(address, kRun, program, code);
            } else {
                showOneCallResult(services_, index, address, kRun, program, code);
            }
        },
        filter);
    if (commandLineRun) closeIfCommandLineDone(services_);
}

void TerminalSetupCommands::autoBoot() {
    if (!idle()) return;
    const auto choice = chooseProgram(ID_INQ_DIRECTORY);
    if (!choice) return;
    const std::string program(opscore::program_name(choice->file));
    if (program.empty()) {
        prompts_.showMessage(kNoFiles, false);
        return;
    }
    if (!readyCheck(services_, prompts_)) return;
    const int port = services_.settings().Port;
    runLoop(
        [&](int index, char address) {
            const int code = link_.call(SetupCall::AutoBoot, port, address, program, 0);
            showOneCallResult(services_, index, address, "Auto-Boot", program, code);
        },
        filterFor(choice->terminalChoice, choice->currentAddress));
}

std::optional<FileChoiceInput> TerminalSetupCommands::freshListings(int directoryCommand) {
    // Directory runs its own ready check and says why it could not, so a list or line it found
    // missing ends this command too.
    services_.runCommand(directoryCommand);
    const HostState& state = services_.state();
    FileChoiceInput input;
    input.addresses = services_.settings().Address;
    if (input.addresses.empty() || !state.connected) return std::nullopt;
    const int count = terminalCount(services_.settings());
    input.listings.assign(state.directory.begin(), state.directory.begin() + count);
    return input;
}

std::optional<TerminalFileChoice> TerminalSetupCommands::chooseProgram(int directoryCommand) {
    const auto input = freshListings(directoryCommand);
    if (!input) return std::nullopt;
    return dialogs_.chooseTerminalFile(*input, kRunProgramSelect, true);
}

// ---- Time and Date ----

void TerminalSetupCommands::timeAndDate() {
    if (!idle()) return;
    std::optional<std::string> entered;
    // Nobody is there to answer in an unattended run: the PC's clock.
    if (!services_.state().commandLineMode) {
        const auto values = dialogs_.timeSync(timeSyncPreset());
        if (!values) return;
        if (values->source == 1) {
            entered = dateTimeText(*values);
            // The dialog takes day 31 in every month; no terminal clock can be set to it.
            if (!opscore::is_date_time_text(*entered)) {
                prompts_.showMessage("No such date: " + *entered, false);
                return;
            }
        }
    }
    setClocks(entered, isCommandLineForm('M', 2));
}

void TerminalSetupCommands::timeAndDateFromPcClock() {
    if (idle()) setClocks(std::nullopt, false);
}

void TerminalSetupCommands::setSelectedClocksFromPc() {
    const ClockSource source;
    TerminalLoop::visit(services_,
                        [&](int index, char address) { setClock(index, address, source); });
    services_.state().progressPhase = kPhaseFull;
    services_.redraw();
}

void TerminalSetupCommands::setClocks(std::optional<std::string> entered, bool commandLineRun) {
    if (!readyCheck(services_, prompts_)) {
        if (commandLineRun) closeIfCommandLineLineDown(services_);
        return;
    }
    const ClockSource source{std::move(entered), clock_.now()};
    runLoop([&](int index, char address) { setClock(index, address, source); });
    if (commandLineRun) closeIfCommandLineDone(services_);
}

void TerminalSetupCommands::setClock(int index, char address, const ClockSource& source) {
    // Each terminal gets the time as it is when its own command goes out; an entered time
    // runs on from the loop's start, into the next day past midnight.
    const std::string text =
        source.entered ? opscore::advanced_date_time(
                             *source.entered, static_cast<long>(clock_.now() - source.loopStart))
                       : pcClockText();
    const int code = link_.call(SetupCall::DateTime, services_.settings().Port, address, text, 0);
    showOneCallResult(services_, index, address, kTimeSync, text, code);
}

std::string TerminalSetupCommands::pcClockText() {
    const std::time_t now = clock_.now();
    std::tm local{};
    localtime_r(&now, &local);
    return opscore::date_time_text(local);
}

TimeSyncValues TerminalSetupCommands::timeSyncPreset() {
    const std::time_t now = clock_.now();
    std::tm local{};
    localtime_r(&now, &local);
    TimeSyncValues values;
    values.source = 0;
    values.year = local.tm_year + 1900;
    values.month = local.tm_mon + 1;
    values.day = local.tm_mday;
    values.hour = local.tm_hour;
    values.minute = local.tm_min;
    values.second = local.tm_sec;
    return values;
}

// ---- The frame ----

void TerminalSetupCommands::runLoop(const TerminalLoop::Step& step,
                                    const TerminalLoop::Filter& filter) {
    HostState& state = services_.state();
    state.panelMode = PanelMode::OneShot;
    state.progressPhase = kPhaseFull;
    services_.redraw();
    services_.setReady(false);
    TerminalLoop::visit(services_, step, filter);
    state.progressPhase = kPhaseFull;
    services_.redraw();
    services_.setReady(true);
}

bool TerminalSetupCommands::idle() const {
    return services_.state().isReady();
}

bool TerminalSetupCommands::stopped() const {
    return services_.state().isReady();
}

bool TerminalSetupCommands::isCommandLineForm(char letter, std::size_t minTokens) const {
    const HostState& state = services_.state();
    const auto& tokens = state.commandTokens;
    // The mode outlives its command: a later menu command with other tokens is no such form.
    return state.commandLineMode && tokens.size() >= std::max<std::size_t>(minTokens, 2) &&
           !tokens[1].empty() && tokens[1].front() == letter;
}

void TerminalSetupCommands::pauseOnVs19() {
    if (services_.settings().Terminal_type == TerminalType::VS19) link_.delay(kVs19SettleMs);
}

// ---- Installation ----

void setTerminalSetupHandlers(HostServices& services, TerminalSetupCommands& commands,
                              std::shared_ptr<void> keepAlive) {
    using opscore::BeeperLevel;
    using opscore::KeypadSetting;
    using opscore::SystemFont;
    const auto on = [&services, &commands, keepAlive](int id, auto action) {
        services.setCommandHandler(id, [&commands, keepAlive, action] { action(commands); });
    };
    on(ID_EXEC_COLD_START, [](TerminalSetupCommands& c) { c.coldStart(); });
    on(ID_EXEC_WARM_START, [](TerminalSetupCommands& c) { c.warmStart(); });
    on(ID_EXEC_KERMIT, [](TerminalSetupCommands& c) { c.kermit(); });
    on(ID_POWER_SAVING_OFF, [](TerminalSetupCommands& c) { c.powerSaving(false); });
    on(ID_POWER_SAVING_ON, [](TerminalSetupCommands& c) { c.powerSaving(true); });
    on(ID_EXEC_PURGE, [](TerminalSetupCommands& c) { c.purge(); });
    on(ID_EXEC_RUN, [](TerminalSetupCommands& c) { c.run(); });
    on(ID_EXEC_RUN_ROM, [](TerminalSetupCommands& c) { c.runFromFlashRom(); });
    on(ID_EXEC_SEND_DATA, [](TerminalSetupCommands& c) { c.sendData(); });
    on(ID_SET_ADDRESS, [](TerminalSetupCommands& c) { c.changeAddress(); });
    on(ID_SET_AUTOBOOT, [](TerminalSetupCommands& c) { c.autoBoot(); });
    on(ID_SET_BAR_TABLE, [](TerminalSetupCommands& c) { c.barTable(); });
    on(ID_SET_BUZZER_LOW, [](TerminalSetupCommands& c) { c.buzzer(BeeperLevel::Low); });
    on(ID_SET_BUZZER_MEDIUM, [](TerminalSetupCommands& c) { c.buzzer(BeeperLevel::Medium); });
    on(ID_SET_BUZZER_HIGH, [](TerminalSetupCommands& c) { c.buzzer(BeeperLevel::High); });
    on(ID_SET_FONT_ALL, [](TerminalSetupCommands& c) { c.systemFont(SystemFont::All); });
    on(ID_SET_FONT_16X8, [](TerminalSetupCommands& c) { c.systemFont(SystemFont::Font16x8); });
    on(ID_SET_FONT_32X16, [](TerminalSetupCommands& c) { c.systemFont(SystemFont::Font32x16); });
    on(ID_SET_COMM_TABLE, [](TerminalSetupCommands& c) { c.commTable(); });
    on(ID_SET_DEVICE_TABLE, [](TerminalSetupCommands& c) { c.deviceTable(); });
    on(ID_SET_EXE_SIZE, [](TerminalSetupCommands& c) { c.executableAreaSize(); });
    on(ID_SET_KEY_LOCK, [](TerminalSetupCommands& c) { c.keypad(KeypadSetting::Lock); });
    on(ID_SET_KEY_UNLOCK, [](TerminalSetupCommands& c) { c.keypad(KeypadSetting::Unlock); });
    on(ID_SET_KEY_PARTIAL, [](TerminalSetupCommands& c) { c.keypad(KeypadSetting::PartialLock); });
    on(ID_SET_KEYMAP_RESTORE,
       [](TerminalSetupCommands& c) { c.keypad(KeypadSetting::RestoreKeymap); });
    on(ID_SET_PASSWORD, [](TerminalSetupCommands& c) { c.password(); });
    on(ID_SET_TIME_DATE, [](TerminalSetupCommands& c) { c.timeAndDate(); });
    on(ID_SET_UPS_OFF, [](TerminalSetupCommands& c) { c.upsOff(); });
}

void install_terminal_setup_commands(HostServices& services) {
    auto module = std::make_shared<SetupModule>(services);
    setTerminalSetupHandlers(services, module->commands, module);
}

void setTerminalClocksFromPc(HostServices& services) {
    SetupModule module(services);
    module.commands.timeAndDateFromPcClock();
}

void setSelectedTerminalClocksFromPc(HostServices& services) {
    SetupModule module(services);
    module.commands.setSelectedClocksFromPc();
}

}  // namespace vantrel
