#pragma once

namespace vantrel {

struct HostSettings;

// Hands the five link settings to the link library, in the order it has always received them.
void pushLinkSettings(const HostSettings& settings);
void pushPowerSaving(bool on);
// Every wait of the link library then processes pending window events.
void installMessagePump();
void removeMessagePump();
int linkPowerSavingReturn();
int linkVersion();

}  // namespace vantrel
