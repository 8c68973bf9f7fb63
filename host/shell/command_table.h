#pragma once

#include <functional>
#include <map>

#include "host_state.h"

namespace vantrel {

enum class EnableRule {
    Always,
    ReadyOnly,         // terminal commands: only while no terminal command runs
    BusyOnly,          // Stop: only while one runs
    WhenDisconnected,  // Connect / Dial
    WhenConnected,     // Disconnect / Hang up
};

EnableRule enableRuleFor(int id);
bool ruleAllows(EnableRule rule, const HostState& state);
// True for the commands an operator may not start while another command has not returned yet,
// even after Stop: the terminal and Port commands, which would talk on the line it still uses,
// and the entries that reload or change what a running command reads (the settings dialogs,
// a batch script).
bool heldWhileCommandRuns(int id);

// Routes command identifiers to their handlers. A command without a handler is disabled, so
// an entry whose feature is not built yet can never pretend to work.
class CommandTable {
public:
    using Handler = std::function<void()>;

    void setHandler(int id, Handler handler);
    bool hasHandler(int id) const { return handlers_.contains(id); }
    bool isEnabled(int id, const HostState& state) const;
    // Runs the handler when the command is enabled now; false when it was not run.
    bool run(int id, const HostState& state) const;

private:
    std::map<int, Handler> handlers_;
};

}  // namespace vantrel
