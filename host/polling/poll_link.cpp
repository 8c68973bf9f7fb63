#include "poll_link.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "link_glue.h"
#include "port_diagnosis.h"
#include "vantlink.h"

namespace vantrel {

namespace {

// HC_line_state: 1 lost; 2 up again, but on another device than the one first opened.
constexpr int kLineLost = 1;
constexpr int kLineOnOtherDevice = 2;

// The device the library opens for the port.
std::string portDevice(int port) {
    return vantlink::port_device_path(kPortVariablePrefix, port, namedPortDevice(port));
}

// The file a path leads to and its device number, as "/dev/ttyUSB1 (188:1)".
std::string deviceNamed(const std::string& path) {
    char resolved[PATH_MAX];
    const std::string target = ::realpath(path.c_str(), resolved) ? resolved : path;
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) return target;
    return target + " (" + std::to_string(major(status.st_rdev)) + ":" +
           std::to_string(minor(status.st_rdev)) + ")";
}

class LibraryPollLink final : public PollLink {
public:
    PollAnswer poll(int port, char address) override {
        unsigned char buffer[VANTLINK_POLL_BUFFER] = {};
        std::int32_t length = 0;
        PollAnswer answer;
        answer.code = HM_poll(port, static_cast<unsigned char>(address), buffer, &length);
        // The record is all the bytes the library counted: a NUL inside it is data too. The
        // count never reaches past the buffer, whatever the library says.
        const auto kept = std::clamp<std::int32_t>(length, 0, VANTLINK_POLL_BUFFER - 1);
        if (answer.code == RC_SUCCESS)
            answer.data.assign(reinterpret_cast<const char*>(buffer),
                               static_cast<std::size_t>(kept));
        return answer;
    }
    // The library's wait ends at once while its calls are cancelled (the program is ending):
    // the rest is slept here, so no wait loop of the host spins.
    void delay(int milliseconds) override {
        using namespace std::chrono;
        const auto end = steady_clock::now() + milliseconds * 1ms;
        HM_time_delay(milliseconds);
        for (auto now = steady_clock::now(); now < end; now = steady_clock::now())
            std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, 10ms));
    }
    bool lineLost(int port) override { return HC_line_state(port) == kLineLost; }
    std::string otherDeviceNow(int port) override {
        if (HC_line_state(port) != kLineOnOtherDevice) return {};
        const std::string path = portDevice(port);
        return path + " now names " + deviceNamed(path);
    }
    std::string deviceName(int port) override { return portDevice(port); }
    std::string lineLostReason(int port) override {
        // A pulled adapter is usually gone from /dev by now; else it only hung up.
        const std::string reason = vantlink::diagnose_port_open(portDevice(port));
        return reason.empty() ? "the device hung up" : reason;
    }
};

class SystemPollClock final : public PollClock {
public:
    std::tm localTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local;
    }
    std::int64_t monotonicMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace

PollLink& libraryPollLink() {
    static LibraryPollLink link;
    return link;
}

PollClock& systemPollClock() {
    static SystemPollClock clock;
    return clock;
}

}  // namespace vantrel
