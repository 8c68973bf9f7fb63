// Why a serial device would not open, in one line of English for the operator. Header-only and
// POSIX-only so that the link library's trace, vantctl, the host and tembra all give the same
// reason without linking each other.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace vantlink {

// The value of <variable_prefix><port>, or nullptr when it is not set.
inline const char* port_variable_value(const std::string& variable_prefix, int port) {
    return std::getenv((variable_prefix + std::to_string(port)).c_str());
}

// COM<port> is the path in <variable_prefix><port> when that is set, else the device the
// program's settings chose (configured), else /dev/ttyS<port-1>; empty when there is no device
// for the number, or when the variable is set but empty: that is a slip in the set-up, never a
// wish for the default device.
inline std::string port_device_path(const std::string& variable_prefix, int port,
                                    const std::string& configured = {}) {
    if (const char* path = port_variable_value(variable_prefix, port); path != nullptr) return path;
    if (!configured.empty()) return configured;
    if (port < 1) return {};
    return "/dev/ttyS" + std::to_string(port - 1);
}

// Why COM<port> has no device path, naming the variable to set; empty when it has one.
inline std::string port_path_problem(const std::string& variable_prefix, int port,
                                     const std::string& configured = {}) {
    const std::string variable = variable_prefix + std::to_string(port);
    const char* value = std::getenv(variable.c_str());
    if (value != nullptr && *value == '\0')
        return variable + " is set but empty: give it the device's path";
    if (value == nullptr && configured.empty() && port < 1)
        return "No device is set: set " + variable;
    return {};
}

// The name of the group that owns the device, or its number when the system has no name for it.
inline std::string device_group_name(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->gr_name;
    }
    return std::to_string(gid);
}

// Adding the user to the device's group helps only when that group may read and write it, and
// never suggest joining root's own group.
inline std::string permission_reason(const std::string& path) {
    std::string text = "Permission denied on " + path;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return text;
    const bool group_may_use = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!group_may_use || info.st_gid == 0) return text + ": only its owner may open it";
    const std::string name = device_group_name(info.st_gid);
    return text + ": add the user to the group " + name + " (sudo usermod -aG " + name +
           " $USER) and log in again";
}

struct PortHolder {
    pid_t pid;
    std::string name;  // the program's name as the system keeps it (at most 15 characters)
};

// The other processes that have path's device open, as far as /proc lets this user see (the
// processes of other users stay hidden from anyone but root).
inline std::vector<PortHolder> port_holders(const std::string& path) {
    std::vector<PortHolder> holders;
    struct stat device {};
    if (stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return holders;
    DIR* processes = opendir("/proc");
    if (processes == nullptr) return holders;
    while (const dirent* process = readdir(processes)) {
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == getpid()) continue;
        const std::string fds = "/proc/" + std::string(process->d_name) + "/fd";
        DIR* open_files = opendir(fds.c_str());
        if (open_files == nullptr) continue;
        bool holds = false;
        while (const dirent* file = readdir(open_files)) {
            if (file->d_name[0] == '.') continue;
            // Only what the link names under /dev is looked at: a stat of any other open file
            // could wait on a network or user-space file system that does not answer.
            const std::string link = fds + "/" + file->d_name;
            constexpr char kDevices[] = "/dev/";
            char target[sizeof kDevices - 1] = {};
            struct stat opened {};
            if (readlink(link.c_str(), target, sizeof target) ==
                    static_cast<ssize_t>(sizeof target) &&
                std::memcmp(target, kDevices, sizeof target) == 0 &&
                stat(link.c_str(), &opened) == 0 && S_ISCHR(opened.st_mode) &&
                opened.st_rdev == device.st_rdev) {
                holds = true;
                break;
            }
        }
        closedir(open_files);
        if (!holds) continue;
        std::string name;
        std::getline(std::ifstream("/proc/" + std::string(process->d_name) + "/comm"), name);
        holders.push_back({static_cast<pid_t>(pid), name.empty() ? "?" : name});
    }
    closedir(processes);
    return holders;
}

// "PATH is in use by another program", naming the holders that can be seen; the desktop's modem
// manager opens every new adapter for a while to see whether it is a modem.
inline std::string in_use_reason(const std::string& path) {
    std::string text = path + " is in use by another program";
    const std::vector<PortHolder> holders = port_holders(path);
    bool modem_manager = false;
    for (std::size_t i = 0; i < holders.size(); ++i) {
        text += (i == 0 ? ": " : ", ") + holders[i].name + " (process " +
                std::to_string(holders[i].pid) + ")";
        modem_manager = modem_manager || holders[i].name == "ModemManager";
    }
    if (modem_manager) {
        text +=
            "; the desktop's modem manager is probing the adapter: see \"Real hardware\" in "
            "the README to make it leave the adapter alone";
    }
    return text;
}

// The reason for error, the errno of the step of opening path that failed.
inline std::string port_open_reason(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return "No such device: " + path;
        case EACCES:
        case EPERM:
            return permission_reason(path);
        case EBUSY:
        case EWOULDBLOCK:
            return in_use_reason(path);
        case ENOTTY:
        case EISDIR:
            return path + " is not a serial device";
        default:
            return path + ": " + std::strerror(error);
    }
}

// Opens path again as the link library does (open, flock, exclusive tty) and lets go at once;
// the errno of the first step that fails, 0 when every step succeeds.
inline int probe_port_open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    termios tio{};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || tcgetattr(fd, &tio) != 0) error = errno;
    ::close(fd);
    return error;
}

// The reason a failed open of path would have now; empty when the device opens after all (the
// line settings were refused, or whoever held it has let go).
inline std::string diagnose_port_open(const std::string& path) {
    if (path.empty()) return {};
    const int error = probe_port_open(path);
    return error == 0 ? std::string() : port_open_reason(path, error);
}

// The same for COM<port>, whose path may be the fault.
inline std::string diagnose_port(const std::string& variable_prefix, int port,
                                 const std::string& configured = {}) {
    const std::string problem = port_path_problem(variable_prefix, port, configured);
    return problem.empty() ? diagnose_port_open(port_device_path(variable_prefix, port, configured))
                           : problem;
}

}  // namespace vantlink
