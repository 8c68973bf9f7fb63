#include "poll_engine.h"

#include <algorithm>

#include "command_ids.h"
#include "host_services.h"
#include "operator_prompts.h"
#include "poll_link.h"
#include "poll_window.h"
#include "settings_reload.h"
#include "terminal_frame.h"
#include "termination_signals.h"
#include "token_file.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr char kOperation[] = "Poll";
// Shown with a record the terminal has given up but the data file did not receive, so the
// operator can still recover it from the message window or the error log.
constexpr char kNotStored[] = "Poll not stored";
constexpr char kTokenFileName[] = "token.txt";
constexpr int kOutsideWindowWaitMs = 100;
// Unanswered polls in a row, per selected terminal, before a dialled line is taken as dropped.
constexpr int kSilentPollsPerTerminal = 2;
constexpr int kSilentPollsMin = 3;
constexpr int kTokenRetryMs = 300;
constexpr int kTokenFailuresBeforeBox = 1000;
// A token held this long is told once: a crashed holder would stall the line for good.
constexpr std::int64_t kTokenWaitReportMs = 60'000;
// After Stop (or a service being stopped) the record in hand has left the terminal for good:
// the token is still tried this long with short waits, so the program ends within a second.
constexpr std::int64_t kTakeGraceAfterStopMs = 400;
constexpr int kTokenRetryAfterStopMs = 50;
// Giving the token back is tried longer: a token left "Unavailable" would lock the other
// program out of the data file for good.
constexpr std::int64_t kGiveBackGraceAfterStopMs = 3000;

std::string lastDataText(const std::tm& time) {
    return clockText(time) + "  ";
}

// The words of the command that runs the poll, as the status file names it.
std::string commandText(const HostState& state) {
    std::string text;
    for (const std::string& word : state.commandTokens) text += (text.empty() ? "" : " ") + word;
    return text.empty() ? std::string(kOperation) : text;
}

}  // namespace

PollEngine::PollEngine(HostServices& services, PollLink& link, PollClock& clock,
                       OperatorPrompts& prompts)
    : services_(services), link_(link), clock_(clock), prompts_(prompts), health_(services) {}

std::string PollEngine::pathInWorkFolder(const std::string& name) const {
    if (!name.empty() && name.front() == '/') return name;
    return services_.workFolder() + "/" + name;
}

void PollEngine::run() {
    HostState& state = services_.state();
    const HostSettings& settings = services_.settings();
    if (!state.isReady()) return;
    // Stop while the clocks were set ends the command before any poll.
    if (atStart_ && !atStart_()) {
        closeIfCommandLineDone(services_);
        return;
    }
    polling_.fill(AddressPolling{});
    tokenOpenFailures_ = 0;
    lineLost_ = false;
    silentPolls_ = 0;

    bool openedHere = false;
    if (!settings.Token_file && !dataFile_.isOpen()) openedHere = openDataFile();
    if (!readyCheck(services_, prompts_)) {
        if (openedHere) dataFile_.close();
        closeIfCommandLineLineDown(services_);
        return;
    }

    state.panelMode = PanelMode::Polling;
    state.progressPhase = kPhaseFull;
    services_.redraw();
    services_.setReady(false);
    lastDataMs_ = clock_.monotonicMs();
    health_.begin(commandText(state), link_.deviceName(settings.Port));
    records_.fill(0);
    while (!state.isReady()) runPass();

    if (!settings.Token_file) dataFile_.close();
    reportRecordCounts();
    health_.end();
    state.progressPhase = kPhaseFull;
    services_.redraw();
    services_.setReady(true);
    closeIfCommandLineDone(services_);
}

void PollEngine::runPass() {
    HostState& state = services_.state();
    safePoint();
    const std::string addresses = services_.settings().Address;
    const int count = std::min(static_cast<int>(addresses.size()), kAddressSlots);
    bool creditUsed = false;
    for (int i = 0; i < count && !state.isReady(); ++i) {
        AddressPolling& slot = polling_[i];
        if (slot.credit < 1 || !state.selection[i]) continue;
        if (safePoint()) return;
        --slot.credit;
        creditUsed = true;
        pollSlot(i, addresses[i]);
        if (noDataTooLong()) {
            services_.setReady(true);
            break;
        }
    }
    if (!creditUsed) {
        for (int i = 0; i < kAddressSlots; ++i) polling_[i].credit = polling_[i].weight;
        idleWhenNothingSelected();
    }
    state.progressPhase = kPhaseFull;
    services_.redraw();
}

bool PollEngine::safePoint() {
    const bool addressesChanged = reloadIfAsked();
    health_.tick();
    return addressesChanged;
}

bool PollEngine::reloadIfAsked() {
    if (!takeReloadRequest()) return false;
    HostSettings& settings = services_.settings();
    HostState& state = services_.state();
    const SettingsReload reload = reloadPollingSettings(services_.workFolder(), settings);
    services_.reporter().report(' ', "Vantcom.ini", reload.message, kLoggedNoteCode);
    if (reload.windowsChanged) state.pollWindowIndex = 0;
    if (reload.dataFileChanged) {
        dataFile_.close();
        // Opened again to append: emptying a file mid-run would lose what this run stored.
        if (!settings.Token_file) openDataFile(PollOpenMethod::Append);
    }
    if (!reload.addressesChanged) return false;
    // Slots are positions in the list: what they held belonged to other addresses.
    polling_.fill(AddressPolling{});
    state.selection.fill(1);
    state.status.fill(TerminalStatus::Idle);
    state.lastDataTime.fill({});
    health_.addressesChanged();
    services_.redraw();
    return true;
}

bool PollEngine::pollSlot(int index, char address) {
    HostState& state = services_.state();
    HostSettings& settings = services_.settings();
    if (settings.Polling_Period == PollingPeriod::Specify &&
        windowTest(WindowKind::Polling, settings, state, clock_.localTime())) {
        link_.delay(kOutsideWindowWaitMs);
        services_.redraw();
        return false;
    }
    if (beforePoll_) {
        beforePoll_();
        // Stop chosen while the hook talked to the terminals: no poll after it.
        if (state.isReady()) return false;
    }
    state.currentIndex = index;
    state.status[index] = TerminalStatus::Addressed;
    state.progressPhase = kPhaseFull;
    services_.redraw();
    const PollAnswer answer = link_.poll(settings.Port, address);
    noteLineState(settings.Port);
    health_.answered(address, answer.code);
    handleAnswer(index, address, answer);
    return true;
}

void PollEngine::noteLineState(int port) {
    const bool lost = link_.lineLost(port);
    const bool changed = lost != lineLost_;
    lineLost_ = lost;
    if (changed) health_.lineChanged(!lost);
    const std::string line = "COM" + std::to_string(port) + " line";
    if (lost) {
        if (changed)
            services_.reporter().report(' ', line + " lost:", link_.lineLostReason(port),
                                        kNoteCode);
        return;
    }
    // A line lost and back inside one wait is never seen lost here, but its device may differ.
    const std::string otherDevice = link_.otherDeviceNow(port);
    const bool newDevice = !otherDevice.empty() && otherDevice != otherDeviceTold_;
    otherDeviceTold_ = otherDevice;
    if (newDevice)
        services_.reporter().report(' ', line + " back on another device:", otherDevice, kNoteCode);
    else if (changed)
        services_.reporter().report(' ', line + " back", "", kNoteCode);
}

void PollEngine::handleAnswer(int index, char address, const PollAnswer& answer) {
    HostState& state = services_.state();
    AddressPolling& slot = polling_[index];
    if (answer.code != RC_HOST_NAK) slot.naks = 0;
    // Only consecutive time-outs of this address count towards MaxError.
    if (answer.code != RC_TIME_OUT) slot.timeouts = 0;
    if (answer.code != RC_TIME_OUT) silentPolls_ = 0;
    switch (answer.code) {
        case RC_SUCCESS:
            ++records_[index];
            storeRecord(address, answer.data);
            state.status[index] = TerminalStatus::Transferring;
            state.lastDataTime[index] = lastDataText(clock_.localTime());
            lastDataMs_ = clock_.monotonicMs();
            break;
        case RC_HOST_NAK:
            state.status[index] = TerminalStatus::Failed;
            // One NAK is line noise; a second in a row is worth telling.
            if (++slot.naks >= 2) services_.reporter().report(address, kOperation, "", answer.code);
            break;
        case RC_TIME_OUT:
            handleTimeOut(index, address);
            redialIfSilent();
            break;
        case RC_NO_DATA:
            break;
        default:
            state.status[index] = TerminalStatus::Failed;
            services_.reporter().report(address, kOperation, "", answer.code);
            break;
    }
    adjustWeight(index, answer.code);
}

void PollEngine::handleTimeOut(int index, char address) {
    AddressPolling& slot = polling_[index];
    // A lost line times every terminal out; its one note says it all.
    if (!lineLost_ && ++slot.timeouts >= services_.settings().MaxError) {
        services_.reporter().report(address, kOperation, "", RC_TIME_OUT);
        slot.timeouts = 0;
    }
    services_.state().status[index] = TerminalStatus::TimeOut;
}

// A modem that lost the call answers for no terminal (its "NO CARRIER" reaches none of them),
// and nothing else would ever dial again: an unattended line would time out for good.
void PollEngine::redialIfSilent() {
    const HostSettings& settings = services_.settings();
    const HostState& state = services_.state();
    if (!settings.Use_modem || !state.connected || lineLost_) return;
    const int count = std::min(static_cast<int>(settings.Address.size()), kAddressSlots);
    const int selected =
        static_cast<int>(std::count_if(state.selection.begin(), state.selection.begin() + count,
                                       [](auto chosen) { return chosen != 0; }));
    if (++silentPolls_ < std::max(kSilentPollsMin, kSilentPollsPerTerminal * selected)) return;
    silentPolls_ = 0;
    services_.reporter().report(' ', "No terminal answers:", "dialling again", kLoggedNoteCode);
    services_.runCommand(ID_PORT_REDIAL);
}

void PollEngine::reportRecordCounts() {
    const std::string& addresses = services_.settings().Address;
    const int count = std::min(static_cast<int>(addresses.size()), kAddressSlots);
    std::string counts;
    for (int i = 0; i < count; ++i) {
        if (!counts.empty()) counts += ", ";
        counts += addresses[i] + std::string(": ") + std::to_string(records_[i]);
    }
    services_.reporter().report(' ', "Poll ended, records from", counts, kNoteCode);
}

// Terminals with data are asked more often, silent ones less, a dead one once per refill.
void PollEngine::adjustWeight(int index, int code) {
    AddressPolling& slot = polling_[index];
    if (code == RC_TIME_OUT) {
        slot.weight = 1;
        slot.credit = 0;
    } else if (code == RC_NO_DATA) {
        slot.weight = std::max(1, slot.weight - 1);
    } else {
        slot.weight = std::min(kPollWeightMax, slot.weight + 1);
    }
}

bool PollEngine::noDataTooLong() {
    const HostSettings& settings = services_.settings();
    if (settings.Polling_Period != PollingPeriod::ExistWhenPeriodNoData) return false;
    const std::int64_t limitMs = static_cast<std::int64_t>(settings.Poll_Max_Wait_Time) * 1000;
    return clock_.monotonicMs() - lastDataMs_ > limitMs;
}

// With every address deselected a pass polls nobody; waiting here keeps Stop, the selection
// clicks and the no-data stop working instead of spinning without ever looking at the window.
void PollEngine::idleWhenNothingSelected() {
    const HostState& state = services_.state();
    const int count = terminalCount(services_.settings());
    for (int i = 0; i < count; ++i)
        if (state.selection[i]) return;
    link_.delay(kOutsideWindowWaitMs);
    if (noDataTooLong()) services_.setReady(true);
}

void PollEngine::storeRecord(char address, const std::string& data) {
    const std::string record = formatPollRecord(address, data);
    services_.revealDataPane();
    const StoreResult result =
        services_.settings().Token_file ? writeWithToken(record) : writeWithoutToken(record);
    if (result != StoreResult::Stored) keepUnstored(address, data, result);
    // The pane shows every record, stored or not: it may be the only place left holding it.
    services_.appendPollData(pollRecordText(address, data) + "\n");
}

PollEngine::StoreResult PollEngine::writeWithoutToken(const std::string& record) {
    if (!dataFile_.isOpen() && !openDataFile()) return StoreResult::FileFailed;
    return dataFile_.write(record) ? StoreResult::Stored : StoreResult::FileFailed;
}

PollEngine::StoreResult PollEngine::writeWithToken(const std::string& record) {
    TokenFile token(pathInWorkFolder(kTokenFileName));
    if (!takeToken(token)) return StoreResult::NoToken;
    bool written = false;
    if (openDataFile()) {
        written = dataFile_.write(record);
        dataFile_.close();
    }
    giveBackToken(token);
    return written ? StoreResult::Stored : StoreResult::FileFailed;
}

bool PollEngine::openDataFile() {
    return openDataFile(services_.settings().Open_Method);
}

bool PollEngine::openDataFile(PollOpenMethod method) {
    dataFile_.setPath(pathInWorkFolder(services_.settings().File_Name));
    if (dataFile_.open(method)) return true;
    prompts_.showMessage("Poll Data file open error", false);
    return false;
}

void PollEngine::keepUnstored(char address, const std::string& data, StoreResult why) {
    // The reporter writes it in the one-line form of the data file. Without the token no file
    // was ever opened: the record is logged as a note, not as a file error.
    services_.reporter().report(address, kNotStored, data,
                                why == StoreResult::NoToken ? kLoggedNoteCode : RC_FILE_OPEN_ERROR);
}

bool PollEngine::takeToken(TokenFile& token) {
    const std::int64_t startMs = clock_.monotonicMs();
    std::int64_t stoppedAtMs = -1;
    bool waitReported = false;
    bool waited = false;
    const auto noteWait = [&] {
        if (waited) health_.tokenWaited(clock_.monotonicMs() - startMs);
    };
    for (;;) {
        const TokenAttempt attempt = token.take();
        if (attempt == TokenAttempt::Taken) {
            noteWait();
            return true;
        }
        if (attempt == TokenAttempt::TakenOver) {
            noteWait();
            services_.reporter().report(' ', kTokenFileName,
                                        "taken over from " + token.heldBy() + ", which has ended",
                                        kLoggedNoteCode);
            return true;
        }
        if (attempt == TokenAttempt::CannotOpen && tokenOpenFailures_++ > kTokenFailuresBeforeBox) {
            prompts_.showMessage("Token.TXT can't be open(try 1000 time)", false);
            tokenOpenFailures_ = 0;
        }
        // Time is measured here, not counted in waits: a wait of the link may end at once.
        const std::int64_t nowMs = clock_.monotonicMs();
        if (!waitReported && nowMs - startMs > kTokenWaitReportMs) {
            waitReported = true;
            services_.reporter().report(
                ' ', kTokenFileName,
                "waited for over a minute: " + (attempt == TokenAttempt::Busy
                                                    ? "Unavailable, held by " + token.heldBy()
                                                    : std::string("it cannot be opened")),
                kLoggedNoteCode);
        }
        const bool stopped = services_.state().isReady();
        if (stopped && stoppedAtMs < 0) stoppedAtMs = nowMs;
        if (stopped && nowMs - stoppedAtMs >= kTakeGraceAfterStopMs) {
            noteWait();
            return false;
        }
        waited = true;
        health_.tick();
        link_.delay(stopped ? kTokenRetryAfterStopMs : kTokenRetryMs);
    }
}

void PollEngine::giveBackToken(TokenFile& token) {
    std::int64_t stoppedAtMs = -1;
    while (!token.giveBack()) {
        const std::int64_t nowMs = clock_.monotonicMs();
        if (services_.state().isReady()) {
            if (stoppedAtMs < 0) stoppedAtMs = nowMs;
            if (nowMs - stoppedAtMs >= kGiveBackGraceAfterStopMs) {
                services_.reporter().report(' ', kTokenFileName, "still Unavailable",
                                            kLoggedNoteCode);
                return;
            }
        }
        link_.delay(kTokenRetryMs);
    }
}

}  // namespace vantrel
