#include "time_sync.h"

#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "poll_engine.h"
#include "poll_link.h"
#include "poll_window.h"
#include "setup_terminal_commands.h"
#include "terminal_frame.h"

namespace vantrel {

PollTimeSync::PollTimeSync(HostServices& services, PollClock& clock, ClockSetters setters)
    : services_(services), clock_(clock), setters_(std::move(setters)) {}

void PollTimeSync::attachTo(PollEngine& engine) {
    engine.setAtStart([this] { return atPollStart(); });
    engine.setBeforePoll([this] { beforePoll(); });
}

bool PollTimeSync::atPollStart() {
    synchronised_ = false;
    if (services_.settings().Auto_Time_Sync == AutoTimeSync::Start && setters_.allTerminals)
        return setters_.allTerminals();
    return true;
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

bool setClocksAtPollStart(HostServices& services, OperatorPrompts& prompts,
                          const std::function<void()>& setSelected) {
    // Nothing was set: the Poll command's own check says why and ends it.
    if (!readyCheck(services, prompts)) return true;
    HostState& state = services.state();
    state.panelMode = PanelMode::OneShot;
    state.progressPhase = kPhaseFull;
    services.redraw();
    services.setReady(false);
    setSelected();
    // The loop leaves the flag at 0 unless Stop set it.
    const bool stopped = state.isReady();
    state.progressPhase = kPhaseFull;
    services.redraw();
    services.setReady(true);
    return !stopped;
}

PollTimeSync::ClockSetters libraryClockSetters(HostServices& services) {
    return {[&services] {
                MessageBoxPrompts prompts(boxOwner(services));
                return setClocksAtPollStart(
                    services, prompts, [&services] { setSelectedTerminalClocksFromPc(services); });
            },
            [&services] { setSelectedTerminalClocksFromPc(services); }};
}

}  // namespace vantrel
