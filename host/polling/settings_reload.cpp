#include "settings_reload.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

namespace vantrel {

namespace {

struct Key {
    const char* name;
    std::function<bool(const HostSettings&, const HostSettings&)> same;
    std::function<void(HostSettings&, const HostSettings&)> copy;
};

template <typename Member>
Key key(const char* name, Member member) {
    return {
        name,
        [member](const HostSettings& a, const HostSettings& b) { return a.*member == b.*member; },
        [member](HostSettings& to, const HostSettings& from) { to.*member = from.*member; }};
}

// Grouped by what the engine must redo when one of them changes. Start_Time and Stop_Time are
// the window in force, which polling itself moves on: they follow the windows, unnamed.
const std::vector<Key> kWindowKeys = {
    key("Polling_Period", &HostSettings::Polling_Period),
    key("Poll_Max_Wait_Time", &HostSettings::Poll_Max_Wait_Time),
    key("Poll_Period_Specify_Counter", &HostSettings::Poll_Period_Specify_Counter),
    key("Start_TimeN", &HostSettings::Start_Times),
    key("Stop_TimeN", &HostSettings::Stop_Times),
};
const std::vector<Key> kDataFileKeys = {
    key("File_Name", &HostSettings::File_Name),
    key("Open_Method", &HostSettings::Open_Method),
    key("Token_file", &HostSettings::Token_file),
};
const std::vector<Key> kOtherKeys = {key("MaxError", &HostSettings::MaxError)};
const std::vector<Key> kRestartKeys = {
    key("Port", &HostSettings::Port),
    key("Ports", &HostSettings::Ports),
    key("BaudRate", &HostSettings::BaudRate),
    key("DataBit", &HostSettings::DataBit),
    key("StopBit", &HostSettings::StopBit),
    key("Parity", &HostSettings::Parity),
    key("Protocol", &HostSettings::Protocol),
    key("Time_out", &HostSettings::Time_out),
    key("ESC_delay", &HostSettings::ESC_delay),
    key("NAK_delay", &HostSettings::NAK_delay),
    key("Terminal_type", &HostSettings::Terminal_type),
};

// Names the keys that differ in names; with apply, also takes them over.
bool noteChanged(const std::vector<Key>& keys, HostSettings& running, const HostSettings& read,
                 std::string& names, bool apply = true) {
    bool changed = false;
    for (const Key& k : keys) {
        if (k.same(running, read)) continue;
        names += (names.empty() ? "" : ", ") + std::string(k.name);
        if (apply) k.copy(running, read);
        changed = true;
    }
    return changed;
}

SettingsReload refused(const std::string& why) {
    return {false, false, false, false, "not reloaded: " + why + "; the running settings stay"};
}

}  // namespace

SettingsReload reloadPollingSettings(const std::string& workFolder, HostSettings& running) {
    const std::string path = settingsPath(workFolder);
    // A missing file would read as all defaults: the line would silently change its terminals.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return refused(std::string("it cannot be read: ") + std::strerror(errno));
    const ProfileFile file(path);
    if (file.refused()) return refused("it " + file.refusal());
    // Every saved file holds the port; one without it was cut short or is no settings file.
    if (file.read("Communication", "Port", "").empty())
        return refused("it has no Port in [Communication]");
    HostSettings read;
    loadSettings(file, read);
    if (read.Address.empty()) return refused("its Address names no terminal");

    SettingsReload result;
    result.applied = true;
    std::string applied;
    if (read.Address != running.Address) {
        applied = "Address " + read.Address;
        result.addressesChanged = true;
    }
    running.Address = read.Address;
    result.windowsChanged = noteChanged(kWindowKeys, running, read, applied);
    if (result.windowsChanged) {
        running.Start_Time = read.Start_Time;
        running.Stop_Time = read.Stop_Time;
    }
    result.dataFileChanged = noteChanged(kDataFileKeys, running, read, applied);
    noteChanged(kOtherKeys, running, read, applied);
    std::string restart;
    noteChanged(kRestartKeys, running, read, restart, false);

    result.message = "reloaded: " + (applied.empty() ? "nothing to apply" : "applied " + applied);
    if (!restart.empty()) result.message += "; not applied until a restart: " + restart;
    return result;
}

}  // namespace vantrel
