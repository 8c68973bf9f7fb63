#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host_settings.h"

namespace vantrel {

inline constexpr int kAddressSlots = 40;

enum class TerminalStatus {
    Idle = 0,
    TimeOut = 1,
    Done = 2,
    Transferring = 3,  // also: data received while polling
    Addressed = 4,
    Failed = 5,
    FileMissing = 6,
};

enum class PanelMode { Nothing = 0, OneShot = 2, Download = 3, Polling = 4 };

// Progress phases: 0 a transfer has started, 1..9 animation step of the current terminal,
// 10 and above the panel is drawn in full; 20 is added to force one full repaint.
inline constexpr int kPhaseFull = 10;
inline constexpr int kPhaseRepaintBoost = 20;

// Everything the host keeps beside its settings while it runs: the ready flag that serialises
// terminal commands, the line state and what the panel draws.
struct HostState {
    // 1 while no terminal command runs; Stop sets it back to 1 to end a running command.
    int ready = 1;
    bool connected = false;
    bool commandLineMode = false;
    // The program closes once the running command has stopped: nothing further may start in
    // it (the next line of a batch script).
    bool closing = false;
    // The words of the command now running from the command line or a script: address list,
    // operation, arguments. Its handler reads its arguments here.
    std::vector<std::string> commandTokens;

    PanelMode panelMode = PanelMode::Nothing;
    int progressPhase = 0;
    int currentIndex = 0;
    std::array<int, kAddressSlots> selection{};
    std::array<TerminalStatus, kAddressSlots> status{};
    std::array<int, kAddressSlots> kind{};
    std::array<std::string, kAddressSlots> lastDataTime;
    std::array<std::string, kAddressSlots> directory;

    std::int32_t packets = 0;
    std::int32_t bytes = 0;
    std::int32_t totalBytes = 0;
    std::string terminalFileName;
    std::string pcFileName;

    bool uploadWaiting = false;
    int uploadSecondsLeft = 0;

    int pollWindowIndex = 0;
    std::string pollClockText;  // current time of the last polling-window test

    bool messageWindowShown = false;
    bool dataWindowShown = false;

    // The start-of-run values: every address selected and of the configured kind.
    void reset(TerminalType type) {
        *this = HostState{};
        selection.fill(1);
        setAllKinds(type);
    }
    void setAllKinds(TerminalType type) { kind.fill(static_cast<int>(type)); }
    bool isReady() const { return ready != 0; }
};

}  // namespace vantrel
