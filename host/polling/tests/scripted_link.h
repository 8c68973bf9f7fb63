#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "poll_link.h"

// A clock that moves only when the line is used: each poll and each wait costs its time.
class FakeClock : public vantrel::PollClock {
public:
    void setTimeOfDay(int hour, int minute, int second) {
        startSecond_ = (hour * 60 + minute) * 60 + second;
        ms_ = 0;
    }
    void advance(std::int64_t ms) { ms_ += ms; }
    std::int64_t elapsedMs() const { return ms_; }

    std::tm localTime() override {
        const std::int64_t second = (startSecond_ + ms_ / 1000) % 86400;
        std::tm time{};
        time.tm_hour = static_cast<int>(second / 3600);
        time.tm_min = static_cast<int>(second / 60 % 60);
        time.tm_sec = static_cast<int>(second % 60);
        return time;
    }
    std::int64_t monotonicMs() override { return ms_; }

private:
    std::int64_t startSecond_ = 9 * 3600;
    std::int64_t ms_ = 0;
};

// The line as a script: answer() decides each poll's result; hooks play Stop or the other
// program between calls.
class ScriptedLink : public vantrel::PollLink {
public:
    explicit ScriptedLink(FakeClock& clock) : clock_(clock) {}

    vantrel::PollAnswer poll(int port, char address) override {
        lastPort = port;
        polled += address;
        clock_.advance(pollCostMs);
        const vantrel::PollAnswer result = answer(address);
        if (afterPoll) afterPoll();
        return result;
    }
    void delay(int milliseconds) override {
        ++delays;
        clock_.advance(milliseconds);
        if (afterDelay) afterDelay();
    }

    bool lineLost(int) override { return lost; }
    std::string lineLostReason(int) override { return "No such device: /dev/ttyUSB0"; }
    std::string otherDeviceNow(int) override { return otherDevice; }

    std::function<vantrel::PollAnswer(char)> answer = [](char) {
        return vantrel::PollAnswer{7, {}};
    };
    std::function<void()> afterPoll;
    std::function<void()> afterDelay;
    std::string polled;
    int delays = 0;
    int lastPort = 0;
    int pollCostMs = 10;
    bool lost = false;        // the line state the library would report
    std::string otherDevice;  // up again on another device: the path and what it names

private:
    FakeClock& clock_;
};
