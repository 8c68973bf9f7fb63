#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "line_status.h"

namespace vantrel {

class HostServices;

// Replaces folder/name by text as a whole: a temporary file in the same folder, written,
// flushed to the disk and renamed over it, so a reader sees the old or the new, never half.
// False with the system's reason.
bool replaceFile(const std::string& folder, const std::string& name, const std::string& text,
                 std::string& why);

// What polling knows about its line, kept as vantrel-status.json in the working folder and,
// when VANTREL_TEXTFILE_DIR names a folder, as vantrel_<line>.prom there. The engine tells it
// what happens; it writes every few seconds, and at once when the line or the command changes.
class LineHealth {
public:
    explicit LineHealth(HostServices& services);

    void begin(const std::string& command, const std::string& device);
    void end();
    void answered(char address, int code);
    void lineChanged(bool up);
    void tokenWaited(std::int64_t waitedMs);
    // The address list in force changed: the status lists the new one.
    void addressesChanged();
    // Writes when the last write is a few seconds old (on the real clock: a scripted clock of
    // the engine must not turn hours of polling into thousands of writes).
    void tick();

    const opscore::LineStatus& status() const { return status_; }

private:
    void write();
    void writeOne(const std::string& folder, const std::string& name, const std::string& text,
                  bool& failing);

    HostServices& services_;
    opscore::LineStatus status_;
    std::map<char, opscore::TerminalHealth> terminals_;
    std::string textfileFolder_;
    std::int64_t lastWriteMs_ = 0;
    bool statusFailing_ = false;
    bool textfileFailing_ = false;
};

}  // namespace vantrel
