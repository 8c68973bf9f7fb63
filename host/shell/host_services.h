#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host_settings.h"
#include "host_state.h"
#include "result_reporter.h"

namespace vantrel {

// What the features of the host (terminal commands, polling, dial-up, the command line) need
// from it: its settings and state, the one reporter, redrawing, and the command routing. The
// view implements it; the features set their command handlers through it.
class HostServices {
public:
    virtual ~HostServices() = default;

    virtual HostSettings& settings() = 0;
    virtual HostState& state() = 0;
    virtual Reporter& reporter() = 0;
    // The working folder found at start-up; Vantcom.ini, ERR_LOG.TXT and ADDR_x live there.
    virtual const std::string& workFolder() const = 0;

    // Reads Vantcom.ini again (settings dialogs start from the file's values).
    virtual void reloadSettings() = 0;
    // Writes the whole record; false when the file cannot be written.
    virtual bool saveSettings() = 0;
    // Closes the error log of the previous mode and opens it under the current one.
    virtual void reopenErrorLog(ErrorLogMode previousMode) = 0;
    // False when logging is off, also when the log could not be opened in this run.
    virtual bool errorLogOpen() const = 0;

    virtual void redraw() = 0;
    // The ready flag and the line state decide which commands are enabled.
    virtual void setReady(bool ready) = 0;
    virtual void setConnected(bool connected) = 0;

    // A file is moving: done bytes of total, total 0 when its size is unknown (uploads). Shown
    // beside the panel until endTransferProgress; callers update it at most once per block.
    virtual void showTransferProgress(std::int64_t done, std::int64_t total) = 0;
    virtual void endTransferProgress() = 0;

    virtual void revealDataPane() = 0;
    virtual void appendPollData(std::string_view text) = 0;

    // Handlers for menu commands; a command without one stays disabled.
    virtual void setCommandHandler(int id, std::function<void()> handler) = 0;
    // Runs a command as if chosen from the menu; false when it is disabled now.
    virtual bool runCommand(int id) = 0;
    // Ends the program without the exit question (command-line and batch runs).
    virtual void closeWithoutAsking() = 0;
    // Runs once start-up has finished (settings loaded, link set up): the command line's turn.
    virtual void setStartUpHandler(std::function<void()> handler) = 0;
};

}  // namespace vantrel
