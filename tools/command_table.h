// The sub-commands: name, usage line, options, and the function that runs each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "invocation.h"

namespace vantctl {

using Handler = int (*)(const Invocation& invocation);

struct CommandSpec {
    std::string name;
    std::string usage;  // the arguments after the name
    std::string summary;
    size_t min_words = 1;
    size_t max_words = 1;
    OptionSpec options;
    Handler handler = nullptr;
    bool reads_own_args = false;  // poll parses its arguments itself
};

// A command that takes between min_words and max_words positional arguments.
CommandSpec make_spec(std::string name, std::string usage, std::string summary, size_t min_words,
                      size_t max_words, Handler handler, OptionSpec options = {});

// One list per family of commands.
std::vector<CommandSpec> program_commands();
std::vector<CommandSpec> inquiry_commands();
std::vector<CommandSpec> setup_commands();
std::vector<CommandSpec> kd24_commands();
std::vector<CommandSpec> transfer_commands();
std::vector<CommandSpec> modem_commands();
std::vector<CommandSpec> port_commands();
std::vector<CommandSpec> status_commands();

const std::vector<CommandSpec>& command_table();
const CommandSpec* find_command(std::string_view name);

// One line per command for --help.
std::string commands_help();

// Checks the command line against entry and runs the command: the exit status.
// Throws UsageError (2) or CommandFailure (1).
int run_command(const CommandSpec& entry, Invocation& invocation);

}  // namespace vantctl
