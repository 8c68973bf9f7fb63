#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace vantrel {

struct PollAnswer {
    int code = 0;
    std::string data;  // the record's bytes when code is 0; any byte, NUL included
};

// The two link calls the engine makes, so its tests can script the line.
class PollLink {
public:
    virtual ~PollLink() = default;
    virtual PollAnswer poll(int port, char address) = 0;
    // A wait that keeps the window responsive (Stop is noticed through it).
    virtual void delay(int milliseconds) = 0;
    // True while the port's device has hung up or gone; the library opens it again by itself.
    virtual bool lineLost(int /*port*/) { return false; }
    // Why the line was lost, for the message window.
    virtual std::string lineLostReason(int /*port*/) { return {}; }
    // While the line is up on another device than it was opened on (the path was given to
    // another device while the line was lost): the path and what it names now; else empty.
    virtual std::string otherDeviceNow(int /*port*/) { return {}; }
    // The device path or URL the port opens, for the status file.
    virtual std::string deviceName(int /*port*/) { return {}; }
};

// The engine's clock: local time for windows and last-data times, a monotonic count for the
// no-data stop, so changing the wall clock cannot end or stretch polling.
class PollClock {
public:
    virtual ~PollClock() = default;
    virtual std::tm localTime() = 0;
    virtual std::int64_t monotonicMs() = 0;
};

PollLink& libraryPollLink();
PollClock& systemPollClock();

}  // namespace vantrel
