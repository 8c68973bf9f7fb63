#include "command_table.h"

#include "command_ids.h"

namespace vantrel {

namespace {

// The settings dialogs and the batch script: free while nothing runs, and they reload or change
// what a running command reads.
bool changesWhatCommandsRead(int id) {
    switch (id) {
        case ID_SETUP_TERMINAL:
        case ID_SETUP_PARAMETER:
        case ID_SETUP_DOWNLOAD_CFG:
        case ID_SETUP_UPLOAD_CFG:
        case ID_SETUP_POLL:
        case ID_SETUP_MODEM:
        case ID_SETUP_TIME_SYNC:
        case ID_SETUP_COMMAND_LINE:
        case ID_EXEC_BATCH_SCRIPT:
            return true;
        default:
            return false;
    }
}

}  // namespace

EnableRule enableRuleFor(int id) {
    if (changesWhatCommandsRead(id)) return EnableRule::Always;
    switch (id) {
        case ID_APP_EXIT:
        case ID_DATA_WINDOW_CLEAR:
        case ID_DATA_WINDOW_HIDE:
        case ID_DATA_WINDOW_SHOW:
        case ID_MESSAGE_WINDOW_CLEAR:
        case ID_MESSAGE_WINDOW_HIDE:
        case ID_MESSAGE_WINDOW_SHOW:
        case ID_TRACE_WINDOW_CLEAR:
        case ID_TRACE_WINDOW_HIDE:
        case ID_TRACE_WINDOW_SHOW:
        case ID_FONT_SMALLER:
        case ID_FONT_BIG:
        case ID_HELP_TOPICS:
        case ID_APP_ABOUT:
        case ID_DLL_VERSION:
            return EnableRule::Always;
        case ID_EXEC_STOP:
        case ID_PORT_REDIAL:
            return EnableRule::BusyOnly;
        case ID_PORT_CONNECT:
            return EnableRule::WhenDisconnected;
        case ID_PORT_DISCONNECT:
            return EnableRule::WhenConnected;
        default:
            return EnableRule::ReadyOnly;
    }
}

bool ruleAllows(EnableRule rule, const HostState& state) {
    switch (rule) {
        case EnableRule::Always:
            return true;
        case EnableRule::ReadyOnly:
            return state.isReady();
        case EnableRule::BusyOnly:
            return !state.isReady();
        // The line may not change under a running command: that would be a second link call.
        case EnableRule::WhenDisconnected:
            return state.isReady() && !state.connected;
        case EnableRule::WhenConnected:
            return state.isReady() && state.connected;
    }
    return false;
}

bool heldWhileCommandRuns(int id) {
    if (changesWhatCommandsRead(id)) return true;
    const EnableRule rule = enableRuleFor(id);
    return rule != EnableRule::Always && rule != EnableRule::BusyOnly;
}

void CommandTable::setHandler(int id, Handler handler) {
    if (handler)
        handlers_[id] = std::move(handler);
    else
        handlers_.erase(id);
}

bool CommandTable::isEnabled(int id, const HostState& state) const {
    return hasHandler(id) && ruleAllows(enableRuleFor(id), state);
}

bool CommandTable::run(int id, const HostState& state) const {
    if (!isEnabled(id, state)) return false;
    // A copy: the handler may replace itself while it runs.
    const Handler handler = handlers_.at(id);
    handler();
    return true;
}

}  // namespace vantrel
