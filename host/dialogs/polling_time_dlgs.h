// The polling set-up, the time synchronisation choices, the input line and the KD24
// configuration file: the values each dialog edits and the functions that ask for them.
#pragma once

#include <optional>
#include <string>

#include "host_settings.h"

class QWidget;

namespace vantrel {

// A time of day as three number fields show it.
struct ClockFields {
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const ClockFields&) const = default;
};
// "HH:MM:SS" split at ":" (a missing part is 0) and composed again as "%.2d:%.2d:%.2d".
ClockFields clockFieldsOf(const std::string& timeText);
std::string clockText(const ClockFields& time);

// "Polling Data file" (Setup > Poll).
struct PollingDataValues {
    std::string fileName;
    int openMethod = -1;     // 0 Append, 1 New
    int pollingPeriod = -1;  // 0 Continuous, 1 Specify, 2 stop when no data
    ClockFields start;
    ClockFields stop;
    int errorThreshold = 0;  // MaxError
    int tokenMode = -1;      // 0 use the token file, 1 share the file without one
    int noDataWait = 0;      // seconds
};
PollingDataValues pollingDataValuesFor(const HostSettings& settings);
void applyPollingDataValues(const PollingDataValues& values, HostSettings& settings);

// "Automatic Time Synchronize" (Setup > Time Synchronize).
struct AutoTimeSyncValues {
    int mode = -1;  // 0 None, 1 after polling, 2 within the window
    ClockFields from;
    ClockFields to;
};
AutoTimeSyncValues autoTimeSyncValuesFor(const HostSettings& settings);
void applyAutoTimeSyncValues(const AutoTimeSyncValues& values, HostSettings& settings);

// "Time Synchronize" (Set Terminal's > Time and Date).
struct TimeSyncValues {
    int source = -1;  // 0 the PC's clock, 1 the date and time below
    int year = 0;     // with century
    int month = 0;    // 1..12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Each returns nothing when the operator cancels.
std::optional<PollingDataValues> askPollingData(const PollingDataValues& initial, QWidget* owner);
std::optional<AutoTimeSyncValues> askAutoTimeSync(const AutoTimeSyncValues& initial,
                                                  QWidget* owner);
std::optional<TimeSyncValues> askTimeSync(const TimeSyncValues& initial, QWidget* owner);
// One line of text under the caller's caption.
std::optional<std::string> askInputLine(const std::string& caption, QWidget* owner,
                                        const std::string& initial = {});
// "Remote configuration KD24": the configuration file's path.
std::optional<std::string> askRemoteConfigFile(const std::string& initialPath, QWidget* owner);

}  // namespace vantrel
