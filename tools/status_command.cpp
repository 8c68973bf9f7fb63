// `status`: the health of every polling line at a glance, from the status files the running
// vantrel programs keep in their working folders.
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "command_table.h"
#include "line_status.h"
#include "terminal_visit.h"

namespace vantctl {
namespace {

constexpr char kInstancesFolder[] = "/var/lib/vantrel";
constexpr std::size_t kTextShown = 48;

enum class LineState { Running, NotRunning, Unreadable };

struct Line {
    std::string folder;
    LineState state = LineState::Unreadable;
    std::string why;  // of an unreadable status
    opscore::LineStatus status;
};

// A status names a process; it counts only while that process is still a vantrel. A process
// that cannot be looked at (another user's, under hidepid) is taken at its word.
bool isRunningVantrel(std::int64_t pid) {
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!comm || !std::getline(comm, name)) return true;
    return name == "vantrel";
}

Line readLine(const std::string& folder) {
    Line line;
    line.folder = folder;
    const std::string path = folder + "/" + opscore::kLineStatusFileName;
    if (!opscore::readLineStatusFile(path, line.status, line.why)) return line;
    line.state = isRunningVantrel(line.status.pid) ? LineState::Running : LineState::NotRunning;
    return line;
}

std::vector<std::string> instanceFolders() {
    std::vector<std::string> folders;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kInstancesFolder, error)) {
        std::error_code ignored;
        if (entry.is_directory(ignored) &&
            std::filesystem::exists(entry.path() / opscore::kLineStatusFileName, ignored))
            folders.push_back(entry.path().string());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

// What a file says is shown, never obeyed: control bytes become '?', long texts are cut.
std::string shown(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, kTextShown)) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7f ? '?' : c;
    }
    return text.size() > kTextShown ? out + "..." : out;
}

std::string ago(std::int64_t then, std::int64_t now) {
    if (then <= 0) return "never";
    const std::int64_t s = std::max<std::int64_t>(0, now - then);
    if (s < 60) return std::to_string(s) + " s ago";
    if (s < 3600) return std::to_string(s / 60) + " min ago";
    if (s < std::int64_t{48} * 3600) return std::to_string(s / 3600) + " h ago";
    return std::to_string(s / 86400) + " days ago";
}

std::string clock(std::int64_t when) {
    if (when <= 0) return "unknown";
    const std::time_t t = static_cast<std::time_t>(when);
    std::tm local{};
    char text[32] = "?";
    if (localtime_r(&t, &local))
        (void)std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

using Row = std::vector<std::string>;

std::vector<Row> tableRows(const std::vector<Line>& lines, std::int64_t now) {
    std::vector<Row> rows = {{"LINE", "STATE", "SINCE", "COMMAND", "TERMINAL", "RECORDS",
                              "LAST RECORD", "TIME-OUTS", "ERRORS"}};
    for (const Line& line : lines) {
        const opscore::LineStatus& s = line.status;
        const std::string name = shown(std::filesystem::path(line.folder).filename().string());
        if (line.state == LineState::Unreadable) {
            rows.push_back({name, "unreadable status", shown(line.why)});
            continue;
        }
        Row head = {name};
        if (line.state == LineState::NotRunning) {
            head.insert(head.end(), {"not running", "last status " + clock(s.updatedAt)});
        } else {
            head.insert(head.end(), {s.lineUp ? "up" : "lost", ago(s.lineSince, now),
                                     s.command.empty() ? "-" : shown(s.command)});
        }
        if (s.terminals.empty()) rows.push_back(head);
        for (std::size_t i = 0; i < s.terminals.size(); ++i) {
            const opscore::TerminalHealth& t = s.terminals[i];
            Row row = i == 0 ? head : Row{};
            row.resize(4);
            row.insert(row.end(), {shown(std::string(1, t.address)), std::to_string(t.records),
                                   ago(t.lastRecordAt, now), std::to_string(t.timeouts),
                                   std::to_string(t.naks + t.errors)});
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::string tableText(const std::vector<Row>& rows) {
    std::vector<std::size_t> widths;
    for (const Row& row : rows) {
        // A row that ends early (an unreadable status) does not widen the columns it spans.
        if (row.size() < 4) continue;
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size() && i < widths.size())
                line += std::string(widths[i] - std::min(widths[i], row[i].size()) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

std::string jsonText(const std::vector<Line>& lines) {
    static const char* const kStates[] = {"running", "not running", "unreadable"};
    std::string text = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        text += i ? ",\n" : "\n";
        text += "{\"folder\": " + opscore::jsonString(line.folder) +
                ", \"state\": " + opscore::jsonString(kStates[static_cast<int>(line.state)]);
        if (line.state == LineState::Unreadable)
            text += ", \"why\": " + opscore::jsonString(line.why) + "}";
        else
            text += ", \"status\": " + opscore::lineStatusJson(line.status) + "}";
    }
    return text + "\n]\n";
}

int status(const Invocation& invocation) {
    std::vector<std::string> folders = invocation.words;
    if (folders.empty()) folders = instanceFolders();
    if (folders.empty())
        throw CommandFailure(std::string("no status files under ") + kInstancesFolder);
    std::vector<Line> lines;
    lines.reserve(folders.size());
    for (const std::string& folder : folders) lines.push_back(readLine(folder));
    const std::string text = invocation.has("--json")
                                 ? jsonText(lines)
                                 : tableText(tableRows(lines, std::time(nullptr)));
    std::fputs(text.c_str(), stdout);
    return 0;
}

}  // namespace

std::vector<CommandSpec> status_commands() {
    return {make_spec("status", "[--json] [FOLDER...]",
                      "each polling line's health (default: every line under /var/lib/vantrel)", 0,
                      1000, status, {{"--json"}, {}})};
}

}  // namespace vantctl
