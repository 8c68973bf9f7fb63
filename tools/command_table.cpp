#include "command_table.h"

#include "poll_command.h"

namespace vantctl {
namespace {

int poll_handler(const Invocation& invocation) {
    return run_poll(invocation.args, invocation.link);
}

CommandSpec poll_spec() {
    CommandSpec entry;
    entry.name = "poll";
    entry.usage = "ADDRESSES [--until-idle SECONDS] [--output FILE]";
    entry.summary = "collect records (CR LF lines) until all are drained or idle for SECONDS";
    entry.handler = poll_handler;
    entry.reads_own_args = true;
    return entry;
}

void append(std::vector<CommandSpec>& table, std::vector<CommandSpec> family) {
    for (auto& entry : family) table.push_back(std::move(entry));
}

std::vector<CommandSpec> build_table() {
    std::vector<CommandSpec> table = {poll_spec()};
    append(table, program_commands());
    append(table, inquiry_commands());
    append(table, setup_commands());
    append(table, kd24_commands());
    append(table, transfer_commands());
    append(table, modem_commands());
    append(table, port_commands());
#if VANTCTL_LINUX_ONLY_COMMANDS
    append(table, status_commands());
#endif
    return table;
}

}  // namespace

CommandSpec make_spec(std::string name, std::string usage, std::string summary, size_t min_words,
                      size_t max_words, Handler handler, OptionSpec options) {
    return CommandSpec{std::move(name), std::move(usage), std::move(summary),
                       min_words,       max_words,        std::move(options),
                       handler};
}

const std::vector<CommandSpec>& command_table() {
    static const std::vector<CommandSpec> table = build_table();
    return table;
}

const CommandSpec* find_command(std::string_view name) {
    for (const auto& entry : command_table()) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

std::string commands_help() {
    constexpr size_t kSummaryColumn = 50;
    std::string text;
    for (const auto& entry : command_table()) {
        std::string line = "  " + entry.name + " " + entry.usage;
        line += line.size() < kSummaryColumn ? std::string(kSummaryColumn - line.size(), ' ') : " ";
        text += line + entry.summary + "\n";
    }
    return text;
}

int run_command(const CommandSpec& entry, Invocation& invocation) {
    if (entry.reads_own_args) return entry.handler(invocation);
    parse_invocation(invocation, entry.options);
    const size_t count = invocation.words.size();
    if (count < entry.min_words || count > entry.max_words) {
        throw UsageError(count < entry.min_words ? "arguments missing" : "too many arguments");
    }
    return entry.handler(invocation);
}

}  // namespace vantctl
