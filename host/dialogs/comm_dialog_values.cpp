#include "comm_dialog_values.h"

#include "phone_book.h"

namespace vantrel {

namespace {

template <typename T>
void storeChoice(int index, int count, T& field, T value) {
    if (index >= 0 && index < count) field = value;
}

void storeLine(int baud, int dataBits, int parity, int stopBits, HostSettings& s) {
    storeChoice(baud, 10, s.BaudRate, baud);
    storeChoice(dataBits, 2, s.DataBit, dataBits == 0 ? 7 : 8);
    storeChoice(parity, 3, s.Parity, static_cast<ParityMode>(parity));
    storeChoice(stopBits, 2, s.StopBit, stopBits == 1 ? 2 : 1);
}

}  // namespace

CommParamValues commParamValuesFor(const HostSettings& s) {
    CommParamValues v;
    v.baudIndex = s.BaudRate;
    v.dataBitsIndex = s.DataBit == 7 ? 0 : 1;
    v.parityIndex = static_cast<int>(s.Parity);
    v.portIndex = s.Port - 1;
    v.stopBitsIndex = s.StopBit == 2 ? 1 : 0;
    v.addressList = s.Address;
    v.errorLogMode = static_cast<int>(s.ErrorLog);
    v.powerSaving = s.Power_Saving ? 1 : 0;
    v.escDelay = s.ESC_delay;
    v.nakDelay = s.NAK_delay;
    v.timeOut = s.Time_out;
    v.portDevices = s.Ports;
    return v;
}

void applyCommParamValues(const CommParamValues& v, HostSettings& s) {
    storeLine(v.baudIndex, v.dataBitsIndex, v.parityIndex, v.stopBitsIndex, s);
    storeChoice(v.portIndex, 4, s.Port, v.portIndex + 1);
    storeChoice(v.errorLogMode, 3, s.ErrorLog, static_cast<ErrorLogMode>(v.errorLogMode));
    // Only what the file would keep: a list used before the next load must not address a
    // separator or a lower-case letter that the file drops.
    s.Address = filterAddressList(v.addressList);
    s.Power_Saving = v.powerSaving != 0;
    s.ESC_delay = v.escDelay;
    s.NAK_delay = v.nakDelay;
    s.Time_out = v.timeOut;
    for (int i = 0; i < kComPorts; ++i) s.Ports[i] = v.portDevices[i].substr(0, kPortDeviceMax);
}

ChangeCommValues changeCommValuesFor(const HostSettings& s) {
    ChangeCommValues v;
    v.baudIndex = s.BaudRate;
    v.parityIndex = static_cast<int>(s.Parity);
    v.dataBitsIndex = s.DataBit == 7 ? 0 : 1;
    v.stopBitsIndex = s.StopBit == 2 ? 1 : 0;
    v.changePc = 1;
    v.terminalTimeout = s.TERMINAL_TIMEOUT < 0 ? 0 : static_cast<unsigned>(s.TERMINAL_TIMEOUT);
    return v;
}

void storeTerminalTimeout(const ChangeCommValues& v, HostSettings& s) {
    s.TERMINAL_TIMEOUT = static_cast<int>(v.terminalTimeout % 100);
}

void storePcLine(const ChangeCommValues& v, HostSettings& s) {
    storeLine(v.baudIndex, v.dataBitsIndex, v.parityIndex, v.stopBitsIndex, s);
}

CommandLineValues commandLineValuesFor(const HostSettings& s) {
    return {s.AUTO_EXIT ? 1 : 0, s.SHOW_ERROR_BOX ? 1 : 0};
}

void applyCommandLineValues(const CommandLineValues& v, HostSettings& s) {
    s.AUTO_EXIT = v.autoExit != 0;
    s.SHOW_ERROR_BOX = v.showErrorBox != 0;
}

ModemSettingValues modemSettingValuesFor(const HostSettings& s) {
    return {s.Use_modem ? 1 : 0, s.Modem_Initial_command, s.Dial_Wait_Time, phoneBookEntries(s)};
}

void applyModemSettingValues(const ModemSettingValues& v, HostSettings& s) {
    if (v.modemMode == 0 || v.modemMode == 1) s.Use_modem = v.modemMode == 1;
    s.Modem_Initial_command = v.initialCommand.substr(0, kModemInitialCommandMax);
    s.Dial_Wait_Time = v.dialWait;
    storePhoneBookEntries(v.phoneBook, s);
}

}  // namespace vantrel
