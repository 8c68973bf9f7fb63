#include "time_sync.h"

#include "host_services.h"
#include "poll_engine.h"
#include "poll_link.h"
#include "poll_window.h"
#include "setup_terminal_commands.h"

namespace vantrel {

PollTimeSync::PollTimeSync(HostServices& services, PollClock& clock, ClockSetters setters)
    : services_(services), clock_(clock), setters_(std::move(setters)) {}

void PollTimeSync::attachTo(PollEngine& engine) {
    engine.setAtStart([this] { atPollStart(); });
    engine.setBeforePoll([this] { beforePoll(); });
}

void PollTimeSync::atPollStart() {
    synchronised_ = false;
    if (services_.settings().Auto_Time_Sync == AutoTimeSync::Start && setters_.allTerminals)
        setters_.allTerminals();
}

void PollTimeSync::beforePoll() {
    HostSettings& settings = services_.settings();
    if (settings.Auto_Time_Sync != AutoTimeSync::Specify) return;
    HostState& state = services_.state();
    // The synchronisation window's own test: it never moves the polling window on, so both
    // set to Specify do not disturb which polling window is in force.
    if (windowTest(WindowKind::Synchronisation, settings, state, clock_.localTime())) {
        synchronised_ = false;
        return;
    }
    if (synchronised_) return;
    if (setters_.selectedTerminals) setters_.selectedTerminals();
    synchronised_ = true;
    state.panelMode = PanelMode::Polling;
    state.progressPhase = kPhaseFull;
}

PollTimeSync::ClockSetters libraryClockSetters(HostServices& services) {
    return {[&services] { setTerminalClocksFromPc(services); },
            [&services] { setSelectedTerminalClocksFromPc(services); }};
}

}  // namespace vantrel
