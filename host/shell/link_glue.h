#pragma once

#include <string>

namespace vantrel {

struct HostSettings;

// Hands the five link settings to the link library, in the order it has always received them,
// then the devices of COM1..COM4.
void pushLinkSettings(const HostSettings& settings);
// Names the [Ports] devices to the link library; VANTLINK_COM<n>, when set, still decides there.
void pushPortDevices(const HostSettings& settings);
// The device last named for the port (empty: none, the default): a diagnosis must look at the
// device the library opens, which a hand-edited file does not change before the next push.
std::string namedPortDevice(int port);
// The variable that overrides the settings for a port, as the library reads it.
inline constexpr const char* kPortVariablePrefix = "VANTLINK_COM";
void pushPowerSaving(bool on);
// Every wait of the link library then processes pending window events: on every pass with a
// window, every 100 ms without one (the offscreen platform, as the service runs).
void installMessagePump();
// Async-signal-safe: the next pass serves the events also without a window, so a request to end
// is acted on before a cancelled library call can be followed by another.
void serveEventsOnNextPass();
void removeMessagePump();
int linkPowerSavingReturn();
int linkVersion();

}  // namespace vantrel
