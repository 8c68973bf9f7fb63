#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "host_state.h"
#include "line_health.h"
#include "poll_data_file.h"

namespace vantrel {

class HostServices;
class OperatorPrompts;
class PollClock;
class PollLink;
class TokenFile;
struct PollAnswer;

inline constexpr int kPollWeightMax = 16;

// Execute > Poll: asks every selected address for its next record over and over, busy
// terminals more often than silent ones, and stores each record in the poll data file and the
// Polling Data Window, until Stop or, when so set, until no record came for a while.
class PollEngine {
public:
    PollEngine(HostServices& services, PollLink& link, PollClock& clock, OperatorPrompts& prompts);

    void run();

    // Runs first in each Poll command that may start, before its ready check; false ends the
    // command (Stop was chosen meanwhile).
    void setAtStart(std::function<bool()> hook) { atStart_ = std::move(hook); }
    // Runs just before each poll (the time synchronisation step hooks in here).
    void setBeforePoll(std::function<void()> hook) { beforePoll_ = std::move(hook); }

    // What the tests look at: the polling tables of the last run.
    struct AddressPolling {
        int weight = kPollWeightMax;
        int credit = kPollWeightMax;
        int naks = 0;
        int timeouts = 0;
    };
    const AddressPolling& polling(int index) const { return polling_[index]; }
    const LineHealth& health() const { return health_; }

private:
    void runPass();
    // Between two polls: the status file's turn and a reload asked for by SIGHUP. True when
    // the address list changed (the pass starts over).
    bool safePoint();
    bool reloadIfAsked();
    // One slot of a pass: false when the address was not polled (outside the window).
    bool pollSlot(int index, char address);
    void handleAnswer(int index, char address, const PollAnswer& answer);
    void handleTimeOut(int index, char address);
    // On a dialled line that no terminal answers any more: hang up and dial again.
    void redialIfSilent();
    // Says once in the message window when the line is lost and once when it is back.
    void noteLineState(int port);
    void adjustWeight(int index, int code);
    bool noDataTooLong();
    // The end of a run says how many records each terminal gave.
    void reportRecordCounts();
    void idleWhenNothingSelected();

    enum class StoreResult { Stored, FileFailed, NoToken };
    void storeRecord(char address, const std::string& data);
    StoreResult writeWithoutToken(const std::string& record);
    StoreResult writeWithToken(const std::string& record);
    bool openDataFile();
    bool openDataFile(PollOpenMethod method);
    void keepUnstored(char address, const std::string& data, StoreResult why);
    bool takeToken(TokenFile& token);
    void giveBackToken(TokenFile& token);

    std::string pathInWorkFolder(const std::string& name) const;

    HostServices& services_;
    PollLink& link_;
    PollClock& clock_;
    OperatorPrompts& prompts_;
    std::function<bool()> atStart_;
    std::function<void()> beforePoll_;
    std::array<AddressPolling, kAddressSlots> polling_{};
    std::array<long, kAddressSlots> records_{};
    PollDataFile dataFile_;
    LineHealth health_;
    std::int64_t lastDataMs_ = 0;
    int tokenOpenFailures_ = 0;
    bool lineLost_ = false;
    std::string otherDeviceTold_;  // what the last "back on another device" said, while it holds
    int silentPolls_ = 0;          // unanswered polls in a row, whichever terminal
};

}  // namespace vantrel
