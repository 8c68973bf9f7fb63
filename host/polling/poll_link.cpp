#include "poll_link.h"

#include <algorithm>
#include <chrono>

#include "port_diagnosis.h"
#include "vantlink.h"

namespace vantrel {

namespace {

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
    void delay(int milliseconds) override { HM_time_delay(milliseconds); }
    bool lineLost(int port) override { return HC_line_state(port) == 1; }
    std::string lineLostReason(int port) override {
        // A pulled adapter is usually gone from /dev by now; else it only hung up.
        const std::string reason =
            vantlink::diagnose_port_open(vantlink::port_device_path("VANTLINK_COM", port));
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
