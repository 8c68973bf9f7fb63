// Polling's automatic time synchronisation: the terminals' clocks are set from the PC's once
// as a Poll command starts, or each time the daily synchronisation window opens while it runs.
#pragma once

#include <functional>

namespace vantrel {

class HostServices;
class OperatorPrompts;
class PollClock;
class PollEngine;

class PollTimeSync {
public:
    struct ClockSetters {
        // The whole Time and Date command without its dialog; it must leave the program open.
        // False when Stop ended it: the Poll command then ends too.
        std::function<bool()> allTerminals;
        // The selected terminals, from inside the running Poll command.
        std::function<void()> selectedTerminals;
    };

    PollTimeSync(HostServices& services, PollClock& clock, ClockSetters setters);

    // Hooks both steps into the engine's start and into the moment before each poll.
    void attachTo(PollEngine& engine);

    // First thing in each Poll command: a new command synchronises afresh. False when Stop
    // ended the synchronisation.
    bool atPollStart();
    // Just before each poll: synchronises once each time the window is entered.
    void beforePoll();

    bool synchronised() const { return synchronised_; }

private:
    HostServices& services_;
    PollClock& clock_;
    ClockSetters setters_;
    bool synchronised_ = false;
};

// The Time and Date command as a Poll command starts it: the ready check, then the clocks of
// the selected terminals set by setSelected with the ready flag at 0; false when Stop ended it.
bool setClocksAtPollStart(HostServices& services, OperatorPrompts& prompts,
                          const std::function<void()>& setSelected);

// The setters of the real program: the set-up commands on the library's line.
PollTimeSync::ClockSetters libraryClockSetters(HostServices& services);

}  // namespace vantrel
