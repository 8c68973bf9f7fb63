#include "host_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

#include "profile_file.h"

namespace vantrel {

namespace {

constexpr std::size_t kShortText = 99;
constexpr std::size_t kPathText = 119;
constexpr std::size_t kDeleteNameText = 19;
constexpr std::size_t kPhoneNumberText = 20;
constexpr std::size_t kPhoneNameText = 30;

constexpr const char* kComm = "Communication";
constexpr const char* kPower = "POWER";
constexpr const char* kKd24 = "KD24";
constexpr const char* kPollRead = "Poll";
constexpr const char* kPollWrite = "POLL";
constexpr const char* kCommandLine = "COMMAND_LINE";
constexpr const char* kDeleteFile = "Delete_File";
constexpr const char* kUpload = "Multi_upload";
constexpr const char* kDownload = "Multi_download";
constexpr const char* kMessageWindow = "MESSAGE_WINDOW";
constexpr const char* kModem = "Modem";
constexpr const char* kPorts = "Ports";

char upperAt(std::string_view text, std::size_t index) {
    return index < text.size()
               ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[index])))
               : '\0';
}

int clampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

std::string numbered(const char* stem, int number) {
    return stem + std::to_string(number);
}

std::string phoneKey(const char* stem, int entry) {
    char key[48];
    std::snprintf(key, sizeof key, "%s%.3d", stem, entry);
    return key;
}

// Reads one key as text through the file with a length cap.
class Reader {
public:
    explicit Reader(const ProfileFile& file) : file_(file) {}
    std::string text(const char* section, std::string_view key, std::string_view fallback,
                     std::size_t maxLength = kShortText) const {
        return file_.read(section, key, fallback, maxLength);
    }
    int number(const char* section, std::string_view key, std::string_view fallback) const {
        return clampToInt(leadingNumber(text(section, key, fallback)));
    }
    char firstUpper(const char* section, std::string_view key, std::string_view fallback) const {
        return upperAt(text(section, key, fallback), 0);
    }
    char secondUpper(const char* section, std::string_view key, std::string_view fallback) const {
        return upperAt(text(section, key, fallback), 1);
    }
    std::string time(const char* section, std::string_view key, std::string_view fallback) const {
        return normaliseTime(text(section, key, fallback));
    }

private:
    const ProfileFile& file_;
};

void loadCommunication(const Reader& in, HostSettings& s) {
    s.Port = in.number(kComm, "Port", "2");
    if (s.Port < 1 || s.Port > 4) s.Port = 2;
    const char protocol = in.firstUpper(kComm, "Protocol", "MULTI");
    s.Protocol = protocol == 'A'   ? LineProtocol::AckNak
                 : protocol == 'N' ? LineProtocol::Null
                                   : LineProtocol::Multi;
    s.BaudRate = baudIndexForRate(leadingNumber(in.text(kComm, "BaudRate", "9600")));
    s.DataBit = in.number(kComm, "DataBit", "8") == 7 ? 7 : 8;
    s.StopBit = in.number(kComm, "StopBit", "1") == 2 ? 2 : 1;
    const char parity = in.firstUpper(kComm, "Parity", "NONE");
    s.Parity = parity == 'O'   ? ParityMode::Odd
               : parity == 'E' ? ParityMode::Even
                               : ParityMode::None;
    s.Time_out = in.number(kComm, "Time_out", "400");
    s.ESC_delay = in.number(kComm, "ESC_delay", "10");
    s.NAK_delay = in.number(kComm, "NAK_delay", "50");
    s.TERMINAL_TIMEOUT = in.number(kComm, "TERMINAL_TIMEOUT", "02");
}

void loadErrorLog(const Reader& in, HostSettings& s) {
    const char second = in.secondUpper(kComm, "ErrorLog", "NO");
    s.ErrorLog = second == 'O'   ? ErrorLogMode::No
                 : second == 'P' ? ErrorLogMode::Append
                                 : ErrorLogMode::New;
}

void loadPollWindows(const Reader& in, HostSettings& s) {
    s.Start_Time = in.time(kPollRead, "Start_Time", "00:00:00");
    s.Stop_Time = in.time(kPollRead, "Stop_Time", "23:59:59");
    s.Poll_Period_Specify_Counter =
        std::clamp(in.number(kPollRead, "Poll_Period_Specify_Counter", "1"), 0, kPollWindows);
    for (int i = 0; i < s.Poll_Period_Specify_Counter; ++i) {
        s.Start_Times[i] = in.time(kPollRead, numbered("Start_Time", i), "00:00:00");
        s.Stop_Times[i] = in.time(kPollRead, numbered("Stop_Time", i), "23:59:59");
    }
}

void loadPoll(const Reader& in, HostSettings& s) {
    s.File_Name = in.text(kPollRead, "File_Name", "POLL.DAT");
    s.Open_Method = in.firstUpper(kPollRead, "Open_Method", "Append") == 'A'
                        ? PollOpenMethod::Append
                        : PollOpenMethod::New;
    s.MaxError = in.number(kPollRead, "MaxError", "1");
    if (s.MaxError < 0 || s.MaxError > 100) s.MaxError = 1;
    const char period = in.firstUpper(kPollRead, "Polling_Period", "Continuous");
    s.Polling_Period = period == 'C'   ? PollingPeriod::Continuous
                       : period == 'E' ? PollingPeriod::ExistWhenPeriodNoData
                                       : PollingPeriod::Specify;
    s.Poll_Max_Wait_Time = in.number(kPollRead, "Poll_Max_Wait_Time", "10");
    loadPollWindows(in, s);
    const char sync = in.secondUpper(kPollRead, "Auto_Time_Sync", "None");
    s.Auto_Time_Sync = sync == 'T'   ? AutoTimeSync::Start
                       : sync == 'P' ? AutoTimeSync::Specify
                                     : AutoTimeSync::None;
    s.Auto_Time_Sync_Start = in.time(kPollRead, "Auto_Time_Sync_Start", "06:00:00");
    s.Auto_Time_Sync_Stop = in.time(kPollRead, "Auto_Time_Sync_Stop", "08:00:00");
    s.Token_file = in.firstUpper(kPollRead, "Token_file", "Yes") == 'Y';
}

void loadTransfers(const Reader& in, HostSettings& s) {
    for (int i = 0; i < kTransferFiles; ++i) {
        s.UploadFiles[i] = in.text(kUpload, numbered("File", i + 1), "", kPathText);
        s.UploadDeletes[i] = in.firstUpper(kUpload, numbered("Delete", i + 1), "N") == 'Y';
    }
    const char saveMode = in.firstUpper(kUpload, "Upload_Save_Mode", "New");
    s.Upload_Save_Mode = saveMode == 'A'   ? UploadSaveMode::Append
                         : saveMode == 'O' ? UploadSaveMode::OverWrite
                                           : UploadSaveMode::New;
    s.Upload_Loop = in.firstUpper(kUpload, "Upload_Loop", "No") != 'N';
    s.Upload_Period = in.number(kUpload, "Upload_Period", "60");
    for (int i = 0; i < kTransferFiles; ++i)
        s.DownloadFiles[i] = in.text(kDownload, numbered("File", i + 1), "", kPathText);
}

// Returns false when the stored text names none of the models.
bool loadTerminalType(const Reader& in, HostSettings& s) {
    std::string name = in.text(kComm, "Terminal_type", "Q");
    for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < kTerminalTypes; ++i) {
        if (name == opscore::terminal_kind_name(static_cast<TerminalType>(i))) {
            s.Terminal_type = static_cast<TerminalType>(i);
            return true;
        }
    }
    s.Terminal_type = TerminalType::KD31_KD32;
    return false;
}

void loadModem(const Reader& in, HostSettings& s) {
    const std::string useModem = in.text(kModem, "Use_modem", "No");
    s.Use_modem = !useModem.empty() && (useModem[0] == 'Y' || useModem[0] == 'y');
    s.Modem_Initial_command = in.text(kModem, "Modem_Initial_command", "ATS0=1");
    s.Dial_Wait_Time = in.number(kModem, "Dial_Wait_Time", "60");
    for (int i = 0; i < kPhoneBookEntries; ++i) {
        s.Modem_Phone_no[i] =
            in.text(kModem, phoneKey("Modem_Phone_no", i + 1), "", kPhoneNumberText);
        s.Modem_Phone_name[i] =
            in.text(kModem, phoneKey("Modem_Phone_name", i + 1), "", kPhoneNameText);
    }
}

void loadPorts(const Reader& in, HostSettings& s) {
    for (int i = 0; i < kComPorts; ++i)
        s.Ports[i] = in.text(kPorts, numbered("COM", i + 1), "", kPortDeviceMax);
}

// The first pair of windows is the one in force after every load.
void selectFirstPollWindow(HostSettings& s) {
    if (s.Poll_Period_Specify_Counter > 0) {
        s.Start_Time = s.Start_Times[0];
        s.Stop_Time = s.Stop_Times[0];
    }
}

const char* yesNo(bool flag) {
    return flag ? "Yes" : "No";
}
const char* upperYesNo(bool flag) {
    return flag ? "YES" : "NO";
}

constexpr const char* kProtocolNames[] = {"ACK/NAK", "NULL", "MULTI"};
constexpr const char* kParityNames[] = {"NONE", "ODD", "EVEN"};
constexpr const char* kErrorLogNames[] = {"NO", "Append", "New"};
constexpr const char* kOpenMethodNames[] = {"Append", "New"};
constexpr const char* kPollingPeriodNames[] = {"Continuous", "Specify", "ExistWhenPeriodNoData"};
constexpr const char* kAutoTimeSyncNames[] = {"None", "Start", "Specify"};
constexpr const char* kSaveModeNames[] = {"New", "Over-write", "Append"};

template <typename Enum, std::size_t N>
const char* nameOf(const char* const (&names)[N], Enum value) {
    const auto index = static_cast<std::size_t>(value);
    return index < N ? names[index] : names[0];
}

void saveCommunication(const HostSettings& s, ProfileFile& out) {
    out.write(kComm, "Port", std::to_string(s.Port));
    out.write(kComm, "Protocol", nameOf(kProtocolNames, s.Protocol));
    out.write(kComm, "BaudRate", std::to_string(s.baudRateValue()));
    out.write(kComm, "DataBit", s.DataBit == 7 ? "7" : "8");
    out.write(kComm, "StopBit", s.StopBit == 2 ? "2" : "1");
    out.write(kComm, "Parity", nameOf(kParityNames, s.Parity));
    out.write(kComm, "Terminal_type", opscore::terminal_kind_name(s.Terminal_type));
    out.write(kComm, "ErrorLog", nameOf(kErrorLogNames, s.ErrorLog));
    out.write(kComm, "Address", filterAddressList(s.Address));
    out.write(kComm, "Time_out", std::to_string(s.Time_out));
    out.write(kComm, "ESC_delay", std::to_string(s.ESC_delay));
    out.write(kComm, "NAK_delay", std::to_string(s.NAK_delay));
    out.write(kComm, "TERMINAL_TIMEOUT", std::to_string(s.TERMINAL_TIMEOUT));
}

void savePoll(const HostSettings& s, ProfileFile& out) {
    out.write(kPollWrite, "File_Name", s.File_Name);
    out.write(kPollWrite, "Open_Method", nameOf(kOpenMethodNames, s.Open_Method));
    out.write(kPollWrite, "Polling_Period", nameOf(kPollingPeriodNames, s.Polling_Period));
    out.write(kPollWrite, "Start_Time", s.Start_Time);
    out.write(kPollWrite, "Stop_Time", s.Stop_Time);
    const int windows = std::clamp(s.Poll_Period_Specify_Counter, 0, kPollWindows);
    out.write(kPollWrite, "Poll_Period_Specify_Counter", std::to_string(windows));
    for (int i = 0; i < windows; ++i) {
        out.write(kPollWrite, numbered("Start_Time", i), s.Start_Times[i]);
        out.write(kPollWrite, numbered("Stop_Time", i), s.Stop_Times[i]);
    }
    out.write(kPollWrite, "Auto_Time_Sync", nameOf(kAutoTimeSyncNames, s.Auto_Time_Sync));
    out.write(kPollWrite, "Auto_Time_Sync_Start", s.Auto_Time_Sync_Start);
    out.write(kPollWrite, "Auto_Time_Sync_Stop", s.Auto_Time_Sync_Stop);
    out.write(kPollWrite, "MaxError", std::to_string(s.MaxError));
    out.write(kPollWrite, "Poll_Max_Wait_Time", std::to_string(s.Poll_Max_Wait_Time));
    out.write(kPollWrite, "Token_file", yesNo(s.Token_file));
}

void saveTransfers(const HostSettings& s, ProfileFile& out) {
    for (int i = 0; i < kTransferFiles; ++i) {
        out.write(kUpload, numbered("File", i + 1), s.UploadFiles[i]);
        out.write(kUpload, numbered("Delete", i + 1), upperYesNo(s.UploadDeletes[i]));
    }
    out.write(kUpload, "Upload_Save_Mode", nameOf(kSaveModeNames, s.Upload_Save_Mode));
    out.write(kUpload, "Upload_Loop", yesNo(s.Upload_Loop));
    out.write(kUpload, "Upload_Period", std::to_string(s.Upload_Period));
    for (int i = 0; i < kTransferFiles; ++i)
        out.write(kDownload, numbered("File", i + 1), s.DownloadFiles[i]);
}

void saveModem(const HostSettings& s, ProfileFile& out) {
    out.write(kModem, "Use_modem", yesNo(s.Use_modem));
    out.write(kModem, "Modem_Initial_command", s.Modem_Initial_command);
    out.write(kModem, "Dial_Wait_Time", std::to_string(s.Dial_Wait_Time));
    for (int i = 0; i < kPhoneBookEntries; ++i) {
        out.write(kModem, phoneKey("Modem_Phone_no", i + 1), s.Modem_Phone_no[i]);
        out.write(kModem, phoneKey("Modem_Phone_name", i + 1), s.Modem_Phone_name[i]);
    }
}

void savePorts(const HostSettings& s, ProfileFile& out) {
    for (int i = 0; i < kComPorts; ++i) {
        const std::string key = numbered("COM", i + 1);
        if (s.Ports[i].empty()) {
            out.remove(kPorts, key);
        } else {
            out.write(kPorts, key, s.Ports[i].substr(0, kPortDeviceMax));
        }
    }
}

}  // namespace

HostSettings::HostSettings() {
    Start_Times.fill("00:00:00");
    Stop_Times.fill("23:59:59");
}

long long leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    constexpr long long kLimit = 1'000'000'000'000LL;  // far beyond any setting; stops overflow
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value < kLimit) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

int baudIndexForRate(long long rate) {
    constexpr long long kTenths[10] = {11, 30, 60, 120, 240, 480, 960, 1920, 3840, 5760};
    const long long tenth = rate / 10;
    for (int i = 0; i < 10; ++i) {
        if (tenth == kTenths[i]) return i;
    }
    return kBaud9600;
}

std::string filterAddressList(std::string_view text) {
    std::string addresses;
    for (const char raw : text) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if ((c >= 'A' && c <= 'Y') || (c >= '0' && c <= '6')) addresses.push_back(c);
        if (addresses.size() == kAddressListMax) break;
    }
    return addresses;
}

std::string normaliseTime(std::string_view text) {
    long long parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const auto colon = text.find(':');
        parts[i] = leadingNumber(text.substr(0, colon));
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    char formatted[64];
    std::snprintf(formatted, sizeof formatted, "%.2d:%.2d:%.2d", clampToInt(parts[0]),
                  clampToInt(parts[1]), clampToInt(parts[2]));
    return formatted;
}

std::string settingsPath(std::string_view workFolder) {
    std::string path(workFolder);
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path + "/Vantcom.ini";
}

SettingsLoadResult loadSettings(const ProfileFile& file, HostSettings& s) {
    const Reader in(file);
    SettingsLoadResult result;
    loadCommunication(in, s);
    s.Power_Saving = in.firstUpper(kPower, "Power_Saving", "NO") == 'Y';
    loadErrorLog(in, s);
    s.CFG_Name = in.text(kKd24, "CFG_Name", "");
    loadPoll(in, s);
    s.AUTO_EXIT = in.text(kCommandLine, "AUTO_EXIT", "Yes").starts_with('Y');
    s.SHOW_ERROR_BOX = in.text(kCommandLine, "SHOW_ERROR_BOX", "Yes").starts_with('Y');
    s.Address = filterAddressList(in.text(kComm, "Address", "A"));
    s.Delete_File1 = in.text(kDeleteFile, "Delete_File1", "", kDeleteNameText);
    loadTransfers(in, s);
    result.terminalTypeUnknown = !loadTerminalType(in, s);
    s.FONT_SIZE = in.number(kMessageWindow, "FONT_SIZE", "8");
    loadModem(in, s);
    loadPorts(in, s);
    selectFirstPollWindow(s);
    return result;
}

void saveSettings(const HostSettings& s, ProfileFile& out) {
    saveCommunication(s, out);
    out.write(kPower, "Power_Saving", upperYesNo(s.Power_Saving));
    out.write(kKd24, "CFG_Name", s.CFG_Name);
    savePoll(s, out);
    out.write(kCommandLine, "AUTO_EXIT", yesNo(s.AUTO_EXIT));
    out.write(kCommandLine, "SHOW_ERROR_BOX", yesNo(s.SHOW_ERROR_BOX));
    out.write(kDeleteFile, "Delete_File1", s.Delete_File1);
    saveTransfers(s, out);
    out.write(kMessageWindow, "FONT_SIZE", std::to_string(s.FONT_SIZE));
    saveModem(s, out);
    savePorts(s, out);
}

}  // namespace vantrel
