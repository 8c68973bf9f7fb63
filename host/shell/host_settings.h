#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "profile_file.h"
#include "terminal_kind.h"

namespace vantrel {

using opscore::ProfileFile;

enum class LineProtocol { AckNak = 0, Null = 1, Multi = 2 };
enum class ParityMode { None = 0, Odd = 1, Even = 2 };
enum class ErrorLogMode { No = 0, Append = 1, New = 2 };
using TerminalType = opscore::TerminalKind;
enum class PollOpenMethod { Append = 0, New = 1 };
enum class PollingPeriod { Continuous = 0, Specify = 1, ExistWhenPeriodNoData = 2 };
enum class AutoTimeSync { None = 0, Start = 1, Specify = 2 };
enum class UploadSaveMode { New = 0, OverWrite = 1, Append = 2 };

inline constexpr int kBaudRates[10] = {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600};
inline constexpr int kBaud9600 = 6;
inline constexpr int kTerminalTypes = opscore::kTerminalKinds;
inline constexpr int kPollWindows = 10;
inline constexpr int kTransferFiles = 12;
inline constexpr int kPhoneBookEntries = 100;
inline constexpr std::size_t kAddressListMax = 39;
inline constexpr int kComPorts = 4;
// A device path or URL, as the link library takes it (4096 bytes with its NUL); the key's line,
// quoted, stays within what the settings file reads back.
inline constexpr std::size_t kPortDeviceMax = 4095;
static_assert(kPortDeviceMax + sizeof("COM1=\"\"") - 1 <= ProfileFile::kLineMax);

// Every setting of Vantcom.ini; the members are named after the keys and start at the defaults.
struct HostSettings {
    // [Communication]
    int Port = 2;
    LineProtocol Protocol = LineProtocol::Multi;
    int BaudRate = kBaud9600;  // index into kBaudRates
    int DataBit = 8;
    int StopBit = 1;
    ParityMode Parity = ParityMode::None;
    std::int32_t Time_out = 400;
    int ESC_delay = 10;
    int NAK_delay = 50;
    int TERMINAL_TIMEOUT = 2;
    ErrorLogMode ErrorLog = ErrorLogMode::No;
    std::string Address = "A";
    TerminalType Terminal_type = TerminalType::KD31_KD32;
    // [POWER]
    bool Power_Saving = false;
    // [KD24]
    std::string CFG_Name;
    // [POLL]
    std::string File_Name = "POLL.DAT";
    PollOpenMethod Open_Method = PollOpenMethod::Append;
    int MaxError = 1;
    PollingPeriod Polling_Period = PollingPeriod::Continuous;
    int Poll_Max_Wait_Time = 10;
    std::string Start_Time = "00:00:00";  // the polling window in force
    std::string Stop_Time = "23:59:59";
    int Poll_Period_Specify_Counter = 1;
    std::array<std::string, kPollWindows> Start_Times;  // "Start_Time%d"
    std::array<std::string, kPollWindows> Stop_Times;   // "Stop_Time%d"
    AutoTimeSync Auto_Time_Sync = AutoTimeSync::None;
    std::string Auto_Time_Sync_Start = "06:00:00";
    std::string Auto_Time_Sync_Stop = "08:00:00";
    bool Token_file = true;
    // [COMMAND_LINE]
    bool AUTO_EXIT = true;
    bool SHOW_ERROR_BOX = true;
    // [Delete_File]
    std::string Delete_File1;
    // [Multi_upload]
    std::array<std::string, kTransferFiles> UploadFiles;  // "File%-d"
    std::array<bool, kTransferFiles> UploadDeletes{};     // "Delete%-d"
    UploadSaveMode Upload_Save_Mode = UploadSaveMode::New;
    bool Upload_Loop = false;
    int Upload_Period = 60;
    // [Multi_download]
    std::array<std::string, kTransferFiles> DownloadFiles;  // "File%-d"
    // [MESSAGE_WINDOW]
    int FONT_SIZE = 8;
    // [Modem]
    bool Use_modem = false;
    std::string Modem_Initial_command = "ATS0=1";
    int Dial_Wait_Time = 60;
    std::array<std::string, kPhoneBookEntries> Modem_Phone_no;    // entries 001..100
    std::array<std::string, kPhoneBookEntries> Modem_Phone_name;  // entries 001..100
    // [Ports]: the device of COM1..COM4 ("COM%d"), empty for the default; a key is written only
    // while it holds a value, so files written before keep their form.
    std::array<std::string, kComPorts> Ports;

    HostSettings();
    bool operator==(const HostSettings&) const = default;

    int baudRateValue() const { return kBaudRates[BaudRate]; }
};

// What a load found beyond the values themselves.
struct SettingsLoadResult {
    // Terminal_type named no model: the operator must pick one (the terminal-type dialog).
    bool terminalTypeUnknown = false;
};

// Replaces every field of settings by the file's value or the default.
SettingsLoadResult loadSettings(const ProfileFile& file, HostSettings& settings);
// Writes every key into file (in memory; the caller commits).
void saveSettings(const HostSettings& settings, ProfileFile& file);

// "%s/Vantcom.ini" for the work folder, without a doubled separator.
std::string settingsPath(std::string_view workFolder);

// Read rules shared with the dialogs.
std::string filterAddressList(std::string_view text);
std::string normaliseTime(std::string_view text);
// Decimal with C's leading-number rule: blanks, sign, digits; anything else reads as 0.
long long leadingNumber(std::string_view text);
int baudIndexForRate(long long rate);

}  // namespace vantrel
