#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class HostServices;
class OperatorPrompts;

// Unattended runs: one command named on the command line, or a batch script of such
// commands, one per line. Words: [phone] addresses operation [arguments].
inline constexpr std::size_t kCommandTokensMax = 5;
inline constexpr std::size_t kCommandWordMax = 99;
inline constexpr std::size_t kCommandLineMax = 99;

// The words of a line split at blanks; nothing when the line breaks a limit (longer than
// 99 characters, more than maxWords words, a word longer than 99 characters). Input beyond
// the limits is refused rather than cut: a cut file or program name would name another one.
std::optional<std::vector<std::string>> splitCommandWords(std::string_view line,
                                                          std::size_t maxWords);

// The script named on the command line ("Z script"), empty when none.
const std::string& commandLineScript();

// Runs a command by its identifier: posted from the command line, direct from a script.
using CommandStarter = std::function<void(int commandId)>;

// What became of one command line.
struct Dispatch {
    bool started = false;
    // Set when the line was refused for a limit: the note the message window shows.
    std::optional<std::string> refusal;
};

// One command of token 1 (the address list) and token 2 (the operation, by its first
// character). Sets the address list and the command-line mode.
Dispatch dispatchCommand(HostServices& services, const std::vector<std::string>& tokens,
                         const CommandStarter& start);

// Looks at the words after the program name and starts at most one command through post.
Dispatch examineCommandLine(HostServices& services, const std::vector<std::string>& arguments,
                            const CommandStarter& post);
// The command the command line named, run unattended; the mode ends with it.
void runCommandLineCommand(HostServices& services, int id);
// The program's own arguments; the command is posted, so it runs once start-up has finished,
// exactly as if chosen from the menu. A refused command line in an unattended run (AUTO_EXIT
// on, nobody to answer) is shown as a box and closes the program instead of leaving it open.
void examineProgramArguments(HostServices& services, OperatorPrompts& prompts);

// Execute > Run Batch Script.
void runBatchScript(HostServices& services, OperatorPrompts& prompts);

void install_commandline_commands(HostServices& services);

}  // namespace vantrel
