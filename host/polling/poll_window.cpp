#include "poll_window.h"

#include <cstdio>

#include "host_settings.h"
#include "host_state.h"

namespace vantrel {

std::string clockText(const std::tm& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", time.tm_hour % 100, time.tm_min % 100,
                  time.tm_sec % 100);
    return text;
}

bool isOutsideWindow(std::string_view now, std::string_view start, std::string_view stop) {
    if (start < stop) return now < start || now > stop;
    return now > stop && now < start;
}

void moveToNextPollingWindow(HostSettings& settings, HostState& state) {
    const int windows = settings.Poll_Period_Specify_Counter;
    // Without a list of windows the pair in force is the only one.
    if (windows < 1 || windows > kPollWindows) return;
    state.pollWindowIndex = (state.pollWindowIndex + 1) % windows;
    if (state.pollWindowIndex < 0) state.pollWindowIndex = 0;
    settings.Start_Time = settings.Start_Times[state.pollWindowIndex];
    settings.Stop_Time = settings.Stop_Times[state.pollWindowIndex];
}

bool windowTest(WindowKind kind, HostSettings& settings, HostState& state, const std::tm& now) {
    state.pollClockText = clockText(now);
    const bool polling = kind == WindowKind::Polling;
    const bool outside =
        polling ? isOutsideWindow(state.pollClockText, settings.Start_Time, settings.Stop_Time)
                : isOutsideWindow(state.pollClockText, settings.Auto_Time_Sync_Start,
                                  settings.Auto_Time_Sync_Stop);
    if (outside && polling) moveToNextPollingWindow(settings, state);
    return outside;
}

}  // namespace vantrel
