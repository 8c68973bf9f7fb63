#pragma once

#include <functional>
#include <string_view>

#include "host_state.h"

namespace vantrel {

class HostServices;
class OperatorPrompts;
struct HostSettings;

// The frame every terminal command runs in: the ready check before it, the loop over the
// selected addresses, and the end of an unattended run.

// The addresses a command visits: the list, cut to the per-address tables.
int terminalCount(const HostSettings& settings);

// True when the command may talk to the terminals: an address list exists and the line is
// up, connecting it first (Port > Connect / Dial) when it is down.
bool readyCheck(HostServices& services, OperatorPrompts& prompts);

// A command-line run whose ready check failed with the line down ends the program.
void closeIfCommandLineLineDown(HostServices& services);
// A command-line run that finished ends the program when AUTO_EXIT is on.
void closeIfCommandLineDone(HostServices& services);

// Visits each selected address in list order until Stop, marking it as being addressed
// before its step runs. The ready flag is 0 while the loop runs.
class TerminalLoop {
public:
    using Step = std::function<void(int index, char address)>;
    // Narrows the selected addresses further (a command aimed at one terminal).
    using Filter = std::function<bool(int index, char address)>;

    static void run(HostServices& services, PanelMode mode, const Step& step);
    // One visit of the selected addresses without touching the ready flag, for commands that
    // hold it at 0 around several visits (the upload loop); false when Stop ended it.
    static bool visit(HostServices& services, const Step& step, const Filter& filter = {});
};

// A step of one link call: the terminal's picture and the report follow its result.
void showOneCallResult(HostServices& services, int index, char address, std::string_view operation,
                       std::string_view detail, int code);

}  // namespace vantrel
