#include <gtest/gtest.h>

#include "host_settings.h"
#include "profile_file.h"
#include "temp_folder.h"

using namespace vantrel;

namespace {

HostSettings loadFrom(const std::string& path, SettingsLoadResult* result = nullptr) {
    HostSettings settings;
    const auto found = loadSettings(ProfileFile(path), settings);
    if (result) *result = found;
    return settings;
}

void saveTo(const std::string& path, const HostSettings& settings) {
    ProfileFile file(path);
    saveSettings(settings, file);
    ASSERT_TRUE(file.commit());
}

}  // namespace

TEST(HostSettingsRead, MissingFileGivesDefaultsAndAsksForTerminalType) {
    TempFolder folder;
    SettingsLoadResult result;
    const auto settings = loadFrom(folder.file("Vantcom.ini"), &result);
    EXPECT_EQ(settings, HostSettings{});
    EXPECT_TRUE(result.terminalTypeUnknown);
    EXPECT_EQ(settings.Address, "A");
    EXPECT_EQ(settings.baudRateValue(), 9600);
    EXPECT_EQ(settings.Modem_Initial_command, "ATS0=1");
}

TEST(HostSettingsRead, EdgeValuesAreCorrected) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    writeFile(path,
              "[Communication]\n"
              "Port=7\nProtocol=null\nBaudRate=19205\nDataBit=9\nStopBit=2\nParity=even\n"
              "Time_out=abc\nESC_delay=-5\nNAK_delay= 70\nTERMINAL_TIMEOUT=123\n"
              "ErrorLog=xp\nAddress=A,B;D9\nTerminal_type=vs15\n"
              "[POWER]\nPower_Saving=yes\n"
              "[Poll]\nMaxError=500\nPoll_Period_Specify_Counter=25\nPolling_Period=Exist\n"
              "Start_Time0=7:5\nStop_Time0=8\nStart_Time9=1:2:3\nStop_Time9=x\n"
              "Auto_Time_Sync=STxx\nToken_file=no\nOpen_Method=New\n"
              "[COMMAND_LINE]\nAUTO_EXIT=yes\nSHOW_ERROR_BOX=Yes\n"
              "[Multi_upload]\nDelete3=y\nUpload_Save_Mode=over\nUpload_Loop=\n"
              "[Modem]\nUse_modem=y\nModem_Phone_no007=123456789012345678901234\n");
    SettingsLoadResult result;
    const auto s = loadFrom(path, &result);
    EXPECT_FALSE(result.terminalTypeUnknown);
    EXPECT_EQ(s.Terminal_type, TerminalType::VS15);
    EXPECT_EQ(s.Port, 2);
    EXPECT_EQ(s.Protocol, LineProtocol::Null);
    EXPECT_EQ(s.baudRateValue(), 19200);
    EXPECT_EQ(s.DataBit, 8);
    EXPECT_EQ(s.StopBit, 2);
    EXPECT_EQ(s.Parity, ParityMode::Even);
    EXPECT_EQ(s.Time_out, 0);
    EXPECT_EQ(s.ESC_delay, -5);
    EXPECT_EQ(s.NAK_delay, 70);
    EXPECT_EQ(s.TERMINAL_TIMEOUT, 123);
    EXPECT_EQ(s.ErrorLog, ErrorLogMode::Append);
    EXPECT_EQ(s.Address, "ABD");
    EXPECT_TRUE(s.Power_Saving);
    EXPECT_EQ(s.MaxError, 1);
    EXPECT_EQ(s.Poll_Period_Specify_Counter, 10);
    EXPECT_EQ(s.Polling_Period, PollingPeriod::ExistWhenPeriodNoData);
    EXPECT_EQ(s.Start_Times[0], "07:05:00");
    EXPECT_EQ(s.Stop_Times[0], "08:00:00");
    EXPECT_EQ(s.Start_Times[9], "01:02:03");
    EXPECT_EQ(s.Stop_Times[9], "00:00:00");
    EXPECT_EQ(s.Start_Time, "07:05:00");  // window 0 is in force after a load
    EXPECT_EQ(s.Stop_Time, "08:00:00");
    EXPECT_EQ(s.Auto_Time_Sync, AutoTimeSync::Start);
    EXPECT_FALSE(s.Token_file);
    EXPECT_EQ(s.Open_Method, PollOpenMethod::New);
    EXPECT_FALSE(s.AUTO_EXIT);  // only an upper-case Y turns it on
    EXPECT_TRUE(s.SHOW_ERROR_BOX);
    EXPECT_TRUE(s.UploadDeletes[2]);
    EXPECT_FALSE(s.UploadDeletes[0]);
    EXPECT_EQ(s.Upload_Save_Mode, UploadSaveMode::OverWrite);
    EXPECT_TRUE(s.Upload_Loop);  // only a leading N clears it
    EXPECT_TRUE(s.Use_modem);
    EXPECT_EQ(s.Modem_Phone_no[6], "12345678901234567890");
}

TEST(HostSettingsRead, RuleHelpers) {
    EXPECT_EQ(normaliseTime("7:5"), "07:05:00");
    EXPECT_EQ(normaliseTime(""), "00:00:00");
    EXPECT_EQ(normaliseTime("23:59:59:99"), "23:59:59");
    EXPECT_EQ(normaliseTime("99999999999999999999"), "2147483647:00:00");
    EXPECT_EQ(filterAddressList("a,b;Z9 6 y"), "AB6Y");
    EXPECT_EQ(filterAddressList(std::string(60, 'B')).size(), 39u);
    EXPECT_EQ(baudIndexForRate(110), 0);
    EXPECT_EQ(baudIndexForRate(57609), 9);
    EXPECT_EQ(baudIndexForRate(57610), kBaud9600);
    EXPECT_EQ(baudIndexForRate(115200), kBaud9600);
    EXPECT_EQ(leadingNumber("  -12x"), -12);
    EXPECT_EQ(leadingNumber("x12"), 0);
    EXPECT_EQ(settingsPath("/work/"), "/work/Vantcom.ini");
    EXPECT_EQ(settingsPath("/"), "/Vantcom.ini");
}

TEST(HostSettingsRead, ErrorLogTellsModesBySecondLetter) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    const std::pair<const char*, ErrorLogMode> cases[] = {
        {"NO", ErrorLogMode::No}, {"Append", ErrorLogMode::Append}, {"New", ErrorLogMode::New},
        {"x", ErrorLogMode::New}, {"so", ErrorLogMode::No},         {"", ErrorLogMode::New}};
    for (const auto& [text, mode] : cases) {
        writeFile(path, std::string("[Communication]\nErrorLog=") + text + "\n");
        EXPECT_EQ(loadFrom(path).ErrorLog, mode) << text;
    }
}

TEST(HostSettingsRead, GarbageAndHugeLinesGiveDefaults) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    std::string garbage;
    for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
    writeFile(path, garbage);
    EXPECT_EQ(loadFrom(path), HostSettings{});
    // Lines far beyond any setting: the file is not used and saving leaves it as it was.
    const std::string huge = "[Communication]\nAddress=" + std::string(1 << 20, 'B') +
                             "\n[KD24]\nCFG_Name=" + std::string(1 << 20, 'c') + "\n";
    writeFile(path, huge);
    EXPECT_EQ(loadFrom(path), HostSettings{});
    ProfileFile file(path);
    saveSettings(HostSettings{}, file);
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(readFile(path), huge);
}

TEST(HostSettingsWrite, WrittenFormOfDefaults) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    saveTo(path, HostSettings{});
    // A new file has CR LF line ends throughout; the texts below are compared without the CRs.
    std::string text = readFile(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
    std::erase(text, '\r');
    EXPECT_TRUE(
        text.starts_with("[Communication]\nPort=2\nProtocol=MULTI\nBaudRate=9600\nDataBit=8\n"
                         "StopBit=1\nParity=NONE\nTerminal_type=KD31/KD32\nErrorLog=NO\n"
                         "Address=A\nTime_out=400\nESC_delay=10\nNAK_delay=50\n"
                         "TERMINAL_TIMEOUT=2\n[POWER]\nPower_Saving=NO\n[KD24]\nCFG_Name=\n"))
        << text.substr(0, 300);
    for (const char* line :
         {"[POLL]\nFile_Name=POLL.DAT\nOpen_Method=Append\nPolling_Period=Continuous\n"
          "Start_Time=00:00:00\nStop_Time=23:59:59\nPoll_Period_Specify_Counter=1\n"
          "Start_Time0=00:00:00\nStop_Time0=23:59:59\nAuto_Time_Sync=None\n",
          "\nToken_file=Yes\n[COMMAND_LINE]\nAUTO_EXIT=Yes\nSHOW_ERROR_BOX=Yes\n",
          "[Multi_upload]\nFile1=\nDelete1=NO\nFile2=\n",
          "Upload_Save_Mode=New\nUpload_Loop=No\nUpload_Period=60\n[Multi_download]\n",
          "[MESSAGE_WINDOW]\nFONT_SIZE=8\n[Modem]\nUse_modem=No\nModem_Initial_command=ATS0=1\n"
          "Dial_Wait_Time=60\nModem_Phone_no001=\nModem_Phone_name001=\nModem_Phone_no002=",
          "Modem_Phone_name100=\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.find("Start_Time1"), std::string::npos);
}

TEST(HostSettingsWrite, SaveThenLoadReturnsTheRecord) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    HostSettings s;
    s.Port = 4;
    s.Protocol = LineProtocol::AckNak;
    s.BaudRate = 9;
    s.DataBit = 7;
    s.StopBit = 2;
    s.Parity = ParityMode::Odd;
    s.Time_out = 123456;
    s.ESC_delay = 11;
    s.NAK_delay = 0;
    s.TERMINAL_TIMEOUT = 99;
    s.ErrorLog = ErrorLogMode::New;
    s.Address = "AY06";
    s.Terminal_type = TerminalType::VS19;
    s.Power_Saving = true;
    s.CFG_Name = "dock.KD24";
    s.File_Name = "OUT.DAT";
    s.Open_Method = PollOpenMethod::New;
    s.MaxError = 100;
    s.Polling_Period = PollingPeriod::Specify;
    s.Poll_Max_Wait_Time = 33;
    s.Poll_Period_Specify_Counter = 10;
    for (int i = 0; i < kPollWindows; ++i) {
        s.Start_Times[i] = "0" + std::to_string(i) + ":00:00";
        s.Stop_Times[i] = "1" + std::to_string(i) + ":30:00";
    }
    s.Start_Time = s.Start_Times[0];
    s.Stop_Time = s.Stop_Times[0];
    s.Auto_Time_Sync = AutoTimeSync::Specify;
    s.Auto_Time_Sync_Start = "01:00:00";
    s.Auto_Time_Sync_Stop = "02:00:00";
    s.Token_file = false;
    s.AUTO_EXIT = false;
    s.SHOW_ERROR_BOX = false;
    s.Delete_File1 = "DATA.TXT";
    for (int i = 0; i < kTransferFiles; ++i) {
        s.UploadFiles[i] = "U" + std::to_string(i);
        s.UploadDeletes[i] = i % 2 == 0;
        s.DownloadFiles[i] = "/tmp/d" + std::to_string(i);
    }
    s.Upload_Save_Mode = UploadSaveMode::Append;
    s.Upload_Loop = true;
    s.Upload_Period = 5;
    s.FONT_SIZE = 14;
    s.Use_modem = true;
    s.Modem_Initial_command = "AT&F";
    s.Dial_Wait_Time = 120;
    s.Modem_Phone_no[0] = "555 0100";
    s.Modem_Phone_name[0] = "Depot north";
    s.Modem_Phone_no[99] = "9";
    s.Modem_Phone_name[99] = "Last";
    s.Ports[0] = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    // The longest kept, quoted for its blank: the file must not become too long to be read.
    s.Ports[3] = " " + std::string(kPortDeviceMax - 1, 'p');
    saveTo(path, s);
    EXPECT_EQ(loadFrom(path), s);
}

TEST(HostSettingsWrite, PortDevicesAreWrittenOnlyWhileChosen) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    saveTo(path, HostSettings{});
    const std::string before = readFile(path);
    HostSettings s = loadFrom(path);
    saveTo(path, s);
    EXPECT_EQ(readFile(path), before);  // byte for byte: no [Ports] for other readers to meet

    s.Ports[1] = "/dev/ttyUSB0";
    s.Ports[2] = "/tmp/pty";
    saveTo(path, s);
    EXPECT_NE(readFile(path).find("[Ports]\r\nCOM2=/dev/ttyUSB0\r\nCOM3=/tmp/pty\r\n"),
              std::string::npos);
    s.Ports[1].clear();
    saveTo(path, s);
    EXPECT_EQ(loadFrom(path).Ports, (std::array<std::string, kComPorts>{"", "", "/tmp/pty", ""}));
    EXPECT_EQ(readFile(path).find("COM2="), std::string::npos);
}

TEST(HostSettingsWrite, TextsWithOuterBlanksOrQuotesSurviveASaveAndLoad) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    // As a hand-edited file gives them: quoted, with blanks, or cut to the field's length
    // just before a blank.
    writeFile(path,
              "[Poll]\nFile_Name=\"  POLL.DAT \"\n[Modem]\nModem_Initial_command='\"AT\"'\n"
              "Modem_Phone_name001=\"" +
                  std::string(29, 'n') + "  more\"\n");
    const HostSettings s = loadFrom(path);
    EXPECT_EQ(s.File_Name, "  POLL.DAT ");
    EXPECT_EQ(s.Modem_Initial_command, "\"AT\"");
    EXPECT_EQ(s.Modem_Phone_name[0], std::string(29, 'n') + " ");
    saveTo(path, s);
    EXPECT_EQ(loadFrom(path), s);
}

TEST(HostSettingsWrite, CommentsAndUnknownKeysSurvive) {
    TempFolder folder;
    const auto path = folder.file("Vantcom.ini");
    writeFile(path,
              "; site settings, do not remove\n[Communication]\nPort=3\nSiteCode=77\n"
              "\n[Extra]\nkeep=this\n");
    HostSettings s = loadFrom(path);
    s.Port = 1;
    saveTo(path, s);
    const auto text = readFile(path);
    EXPECT_EQ(text.rfind("; site settings, do not remove\n[Communication]\nPort=1\n", 0), 0u);
    EXPECT_NE(text.find("SiteCode=77\n"), std::string::npos);
    EXPECT_NE(text.find("[Extra]\nkeep=this\n"), std::string::npos);
    EXPECT_EQ(loadFrom(path).Port, 1);
}
