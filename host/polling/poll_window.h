#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace vantrel {

struct HostSettings;
struct HostState;

// "HH:MM:SS" of a local time.
std::string clockText(const std::tm& time);

// Times compare as fixed-width texts. A window whose start is not before its stop runs over
// midnight. Both ends belong to the window.
bool isOutsideWindow(std::string_view now, std::string_view start, std::string_view stop);

// Makes the next of the configured polling windows the one in force.
void moveToNextPollingWindow(HostSettings& settings, HostState& state);

enum class WindowKind { Polling, Synchronisation };

// True when now lies outside the window. Records now as the current time the view shows. Only
// a polling-window test walks on to the next polling window: the synchronisation window has
// nothing to do with which polling window is in force.
bool windowTest(WindowKind kind, HostSettings& settings, HostState& state, const std::tm& now);

}  // namespace vantrel
