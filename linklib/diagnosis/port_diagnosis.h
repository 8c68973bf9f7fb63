// Why a serial device would not open, in one line of English for the operator. Header-only and
// POSIX-only so that the link library's trace, vantctl, the host and tembra all give the same
// reason without linking each other. A device may also be a device server's URL
// (tcp://HOST:PORT or rfc2217://HOST:PORT); its parsing and bounded connect live here too, so
// the reasons for a URL are the same everywhere.
#pragma once

#include <cstdlib>
#include <string>

// Where COM<port> is, the same on every platform.
namespace vantlink {

// The value of <variable_prefix><port>, or nullptr when it is not set.
inline const char* port_variable_value(const std::string& variable_prefix, int port) {
    return std::getenv((variable_prefix + std::to_string(port)).c_str());
}

// COM<port> is the path in <variable_prefix><port> when that is set, else the device the
// program's settings chose (configured), else the system's own device for the number
// (/dev/ttyS<port-1>, or \\.\COM<port> on Windows, the form that also reaches COM10 and above);
// empty when there is no device for the number, or when the variable is set but empty: that is
// a slip in the set-up, never a wish for the default device.
inline std::string port_device_path(const std::string& variable_prefix, int port,
                                    const std::string& configured = {}) {
    if (const char* path = port_variable_value(variable_prefix, port); path != nullptr) return path;
    if (!configured.empty()) return configured;
    if (port < 1) return {};
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
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

}  // namespace vantlink

#ifdef _WIN32
#include "port_diagnosis_win.h"
#else

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace vantlink {

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

// ---- Device servers on the network ----

// True for anything written as a URL (SCHEME://...), also for a scheme the library cannot open:
// such a device is never a file, and its reason comes from diagnose_port_open.
inline bool is_network_url(const std::string& device) {
    const std::size_t mark = device.find("://");
    if (mark == std::string::npos || mark == 0) return false;
    if (std::isalpha(static_cast<unsigned char>(device[0])) == 0) return false;
    return std::all_of(device.begin(), device.begin() + static_cast<std::ptrdiff_t>(mark),
                       [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' ||
                                  c == '-' || c == '.';
                       });
}

struct NetworkUrl {
    bool telnet = false;  // rfc2217://: Telnet with COM port control; else raw bytes
    std::string host;     // a name, an IPv4 address or an IPv6 address (without brackets)
    uint16_t port = 0;
    // HOST:PORT as the operator wrote it, for reasons.
    std::string endpoint() const {
        const bool v6 = host.find(':') != std::string::npos;
        return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    }
};

// Splits a device server's URL; the reason it cannot be used, or empty.
inline std::string parse_network_url(const std::string& url, NetworkUrl& out) {
    const std::string bad = "Bad device URL " + url + ": ";
    const std::size_t mark = url.find("://");
    if (mark == std::string::npos) return bad + "not SCHEME://HOST:PORT";
    std::string scheme = url.substr(0, mark);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "tcp" && scheme != "rfc2217")
        return bad + "unknown scheme " + url.substr(0, mark) + " (use tcp:// or rfc2217://)";
    out.telnet = scheme == "rfc2217";
    const std::string rest = url.substr(mark + 3);
    std::size_t port_mark = 0;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) return bad + "no ] after the IPv6 address";
        out.host = rest.substr(1, close - 1);
        port_mark = close + 1;
        if (port_mark < rest.size() && rest[port_mark] != ':')
            return bad + "a port must follow the host as :PORT";
    } else {
        port_mark = rest.rfind(':');
        if (port_mark == std::string::npos) port_mark = rest.size();
        out.host = rest.substr(0, port_mark);
        if (out.host.find(':') != std::string::npos)
            return bad + "write an IPv6 address in brackets, as [" + out.host + "]";
    }
    if (out.host.empty()) return bad + "no host (SCHEME://HOST:PORT)";
    if (out.host.find_first_of("/@?# ") != std::string::npos) return bad + "not a host name";
    if (port_mark + 1 >= rest.size()) return bad + "no port (SCHEME://HOST:PORT)";
    const std::string digits = rest.substr(port_mark + 1);
    if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return bad + "the port must be a number from 1 to 65535";
    }
    const long port = std::strtol(digits.c_str(), nullptr, 10);
    if (port < 1 || port > 65535) return bad + "port " + digits + " is outside 1..65535";
    out.port = static_cast<uint16_t>(port);
    return {};
}

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// One name resolution. getaddrinfo cannot be interrupted, so a name runs on a thread of its
// own that the caller waits for only as long as it may; a resolver that hangs leaves the thread
// behind, never the caller. Numeric addresses are resolved at once, without a thread.
struct ResolveJob {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::string failure;  // why the name gave no address
    std::vector<SocketAddress> addresses;

    void run(const NetworkUrl& url, int flags) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV | flags;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(url.port);
        const int error = getaddrinfo(url.host.c_str(), service.c_str(), &hints, &found);
        std::vector<SocketAddress> list;
        for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
            SocketAddress address;
            address.length = std::min<socklen_t>(entry->ai_addrlen, sizeof address.storage);
            std::memcpy(&address.storage, entry->ai_addr, address.length);
            list.push_back(address);
        }
        if (found != nullptr) freeaddrinfo(found);
        const std::lock_guard<std::mutex> lock(mutex);
        if (error != 0) {
            failure = "Cannot resolve the host " + url.host + ": " +
                      (error == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(error));
        }
        addresses = std::move(list);
        done = true;
        finished.notify_all();
    }
};

inline std::shared_ptr<ResolveJob> start_resolve(const NetworkUrl& url) {
    auto job = std::make_shared<ResolveJob>();
    in6_addr scratch{};
    if (inet_pton(AF_INET, url.host.c_str(), &scratch) == 1 ||
        inet_pton(AF_INET6, url.host.c_str(), &scratch) == 1) {
        job->run(url, AI_NUMERICHOST);
        return job;
    }
    try {
        std::thread([job, url] { job->run(url, 0); }).detach();
    } catch (const std::system_error&) {
        job->failure = "Cannot resolve the host " + url.host + ": no thread for the resolver";
        job->done = true;
    }
    return job;
}

// The reason for a failed connect to endpoint.
inline std::string connect_failure(const std::string& endpoint, int error) {
    switch (error) {
        case ECONNREFUSED:
            return "Connection refused by " + endpoint + ": is the device server running?";
        case ETIMEDOUT:
            return "No answer from " + endpoint + " (connection timed out)";
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
            return endpoint + " is unreachable: " + std::strerror(error);
        default:
            return "Cannot connect to " + endpoint + ": " + std::strerror(error);
    }
}

// A connection's socket: no delay for small writes (a two-byte poll must leave at once), and
// keep-alive probes so that a device server that vanishes is noticed within seconds.
inline void tune_socket(int fd) {
    const int on = 1, idle = 5, interval = 2, count = 3;
    const unsigned user_timeout_ms = 10000;  // unacknowledged data: the peer is gone
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &user_timeout_ms, sizeof user_timeout_ms);
}

// A connect that never blocks: each step() waits at most the time it is given, so a caller can
// spread one attempt over many short waits. One attempt has a deadline of its own.
class NetConnector {
public:
    enum class Step { Pending, Connected, Failed };

    explicit NetConnector(NetworkUrl url) : url_(std::move(url)) {}
    NetConnector(const NetConnector&) = delete;
    NetConnector& operator=(const NetConnector&) = delete;
    ~NetConnector() { close_socket(); }

    // Starts an attempt that fails after timeout_ms. A resolution still running from an
    // earlier attempt is waited for again rather than started twice.
    void begin(int timeout_ms) {
        close_socket();
        timeout_ms_ = timeout_ms;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        next_address_ = 0;
        last_error_ = 0;
        failure_.clear();
        bool running = false;
        if (job_) {
            const std::lock_guard<std::mutex> lock(job_->mutex);
            running = !job_->done;
        }
        if (!running) job_ = start_resolve(url_);
    }

    Step step(int wait_ms) {
        if (!failure_.empty()) return Step::Failed;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline_) return fail(timeout_reason());
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now).count();
        const int wait = static_cast<int>(std::clamp<long long>(wait_ms, 0, left));
        if (fd_ < 0) {
            std::unique_lock<std::mutex> lock(job_->mutex);
            if (!job_->finished.wait_for(lock, std::chrono::milliseconds(wait),
                                         [&] { return job_->done; })) {
                return Step::Pending;
            }
            if (!job_->failure.empty()) return fail(job_->failure);
            lock.unlock();
            return start_next() ? Step::Pending
                                : fail(connect_failure(url_.endpoint(), last_error_));
        }
        pollfd pfd{fd_, POLLOUT, 0};
        if (::poll(&pfd, 1, wait) <= 0) return Step::Pending;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error == 0) return Step::Connected;
        last_error_ = error;
        close_socket();
        return start_next() ? Step::Pending : fail(connect_failure(url_.endpoint(), last_error_));
    }

    // The connected socket, handed over once step() said Connected.
    int take_socket() { return std::exchange(fd_, -1); }
    const std::string& failure() const { return failure_; }
    const NetworkUrl& url() const { return url_; }
    std::string timeout_reason() const {
        return "No answer from " + url_.endpoint() + " within " + std::to_string(timeout_ms_) +
               " ms";
    }

private:
    // Opens a non-blocking connect to the next address; false when none is left.
    bool start_next() {
        std::vector<SocketAddress> addresses;
        {
            const std::lock_guard<std::mutex> lock(job_->mutex);
            addresses = job_->addresses;
        }
        if (addresses.empty() && last_error_ == 0) last_error_ = EADDRNOTAVAIL;
        while (next_address_ < addresses.size()) {
            const SocketAddress& address = addresses[next_address_++];
            fd_ =
                ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd_ < 0) {
                last_error_ = errno;
                continue;
            }
            tune_socket(fd_);
            if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage),
                          address.length) == 0 ||
                errno == EINPROGRESS) {
                return true;
            }
            last_error_ = errno;
            close_socket();
        }
        return false;
    }
    Step fail(const std::string& reason) {
        close_socket();
        failure_ = reason;
        return Step::Failed;
    }
    void close_socket() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    NetworkUrl url_;
    std::shared_ptr<ResolveJob> job_;
    int fd_ = -1;
    std::size_t next_address_ = 0;
    int last_error_ = 0;
    int timeout_ms_ = 0;
    std::chrono::steady_clock::time_point deadline_{};
    std::string failure_;
};

// Connects to a device server's URL and lets go at once; the reason it cannot be reached, or
// empty when it takes the connection.
inline std::string diagnose_network_url(const std::string& url, int timeout_ms = 1000) {
    NetworkUrl parsed;
    if (std::string bad = parse_network_url(url, parsed); !bad.empty()) return bad;
    NetConnector connector(parsed);
    connector.begin(timeout_ms);
    for (;;) {
        const NetConnector::Step step = connector.step(timeout_ms);
        if (step == NetConnector::Step::Connected) {
            ::close(connector.take_socket());
            return {};
        }
        if (step == NetConnector::Step::Failed) return connector.failure();
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

}  // namespace vantlink

#endif  // _WIN32

namespace vantlink {

// The reason a failed open of path would have now; empty when the device opens after all (the
// line settings were refused, or whoever held it has let go). For a device server's URL: the
// URL's fault, or the connect's (waits at most a second).
inline std::string diagnose_port_open(const std::string& path) {
    if (path.empty()) return {};
    // A URL is never opened as a file: its reason is the server's.
    if (is_network_url(path)) return diagnose_network_url(path);
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
