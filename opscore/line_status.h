// The status a polling vantrel keeps in its working folder, and the forms it is shown in:
// vantrel writes it, vantctl status reads it, so its reader and writer live here together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opscore {

inline constexpr char kLineStatusFileName[] = "vantrel-status.json";
// A status of 40 terminals takes about 8 KiB; anything much larger is no status of ours.
inline constexpr std::size_t kLineStatusMax = std::size_t{64} * 1024;
inline constexpr std::size_t kLineStatusTerminalsMax = 64;

// Times are seconds since the epoch; 0 means never.
struct TerminalHealth {
    char address = ' ';
    std::int64_t records = 0;   // stored in the data file (or kept when it failed)
    std::int64_t timeouts = 0;  // polls without an answer
    std::int64_t naks = 0;      // polls answered NAK
    std::int64_t errors = 0;    // failed checks and other failed polls
    std::int64_t lastRecordAt = 0;
    std::string lastResult;  // of the last poll: "record", "no data", "time-out", ...

    bool operator==(const TerminalHealth&) const = default;
};

struct LineStatus {
    std::string version;
    std::int64_t pid = 0;
    std::int64_t startedAt = 0;
    std::int64_t updatedAt = 0;
    std::string line;    // the instance: the working folder's own name
    std::string device;  // what the port opens
    bool lineUp = true;
    std::int64_t lineSince = 0;
    std::string command;  // the command running; empty when none
    std::vector<TerminalHealth> terminals;
    std::int64_t tokenWaits = 0;  // takes of the token that had to wait
    std::int64_t tokenWaitMs = 0;

    bool operator==(const LineStatus&) const = default;
};

std::string lineStatusJson(const LineStatus& status);

// False, with why, for anything that is not such a status (cut short, too deep, too large,
// wrong types); status is then left as it was.
bool parseLineStatus(std::string_view text, LineStatus& status, std::string& why);

// Reads at most kLineStatusMax bytes of a regular file and parses them.
bool readLineStatusFile(const std::string& path, LineStatus& status, std::string& why);

// The same figures for the node exporter's textfile collector.
std::string lineStatusTextfile(const LineStatus& status);
// "vantrel_<line>.prom", the line's name kept to letters, digits, '-' and '_'.
std::string textfileName(std::string_view line);

// A JSON string literal of any bytes (control characters escaped).
std::string jsonString(std::string_view text);

}  // namespace opscore
