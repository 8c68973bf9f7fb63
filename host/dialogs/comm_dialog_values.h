#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host_settings.h"

namespace vantrel {

// The values of "Communication Parameter"; radio values are positions, -1 for none.
struct CommParamValues {
    int baudIndex = -1;
    int dataBitsIndex = -1;  // 0 seven, 1 eight
    int parityIndex = -1;
    int portIndex = -1;      // port number - 1
    int stopBitsIndex = -1;  // 0 one, 1 two
    std::string addressList;
    int errorLogMode = -1;
    int powerSaving = 0;
    int escDelay = 0;
    int nakDelay = 0;
    std::int32_t timeOut = 0;
    // The device chosen for each COM ([Ports]), empty for the default.
    std::array<std::string, kComPorts> portDevices;
};

CommParamValues commParamValuesFor(const HostSettings& settings);
// Stores the confirmed values. The address list is kept as the file will hold it: upper case,
// address characters only. A radio group left without a choice keeps the stored value.
void applyCommParamValues(const CommParamValues& values, HostSettings& settings);

// The values of "Change comm. parameter": the line the terminals are to use.
struct ChangeCommValues {
    int baudIndex = -1;
    int parityIndex = -1;
    int dataBitsIndex = -1;
    int stopBitsIndex = -1;
    int changePc = 0;
    unsigned terminalTimeout = 0;  // tenths of a second
};

// The PC's own line, the stored terminal time-out and "Change PC parameter" ticked.
ChangeCommValues changeCommValuesFor(const HostSettings& settings);
// TERMINAL_TIMEOUT as the terminals get it: modulo 100.
void storeTerminalTimeout(const ChangeCommValues& values, HostSettings& settings);
// The PC's line follows the terminals' (when "Change PC parameter" was ticked).
void storePcLine(const ChangeCommValues& values, HostSettings& settings);

struct CommandLineValues {
    int autoExit = 0;
    int showErrorBox = 0;
};

CommandLineValues commandLineValuesFor(const HostSettings& settings);
void applyCommandLineValues(const CommandLineValues& values, HostSettings& settings);

struct ModemSettingValues {
    int modemMode = -1;  // 0 no modem, 1 use modem
    std::string initialCommand;
    int dialWait = 0;
    std::vector<std::string> phoneBook;  // entry texts, name in 30 columns then the number
};

ModemSettingValues modemSettingValuesFor(const HostSettings& settings);
// Stores mode, command, wait and the phone book compacted in list order.
void applyModemSettingValues(const ModemSettingValues& values, HostSettings& settings);

inline constexpr int kModemInitialCommandMax = 99;

}  // namespace vantrel
