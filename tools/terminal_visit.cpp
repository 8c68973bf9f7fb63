#include "terminal_visit.h"

#include <algorithm>
#include <cstdio>

#include "result_text.h"
#include "terminal_text.h"
#include "vantlink.h"

namespace vantctl {
namespace {

// The terminal did its work but did not go back to sleep: worth saying, not a failure.
bool sleep_step_failed(const LinkOptions& link, int32_t code) {
    return link.power_saving && code != RC_POWER_SAVING_OFF_FAILED &&
           HM_get_power_saving_return() != RC_SUCCESS;
}

void report(const Invocation& invocation, char address, bool several, const Outcome& outcome) {
    const std::string prefix = several ? std::string(1, address) + ": " : std::string();
    if (outcome.ok && !outcome.answer.empty()) {
        std::fputs(prefix.c_str(), stdout);
        write_terminal_text(stdout, outcome.answer);
        std::fputc('\n', stdout);
        (void)std::fflush(stdout);  // a write failure stays on the stream; the run's end reports it
    }
    const std::string sleep_note =
        sleep_step_failed(invocation.link, outcome.code) ? " but fail to set power saving on" : "";
    if (!outcome.ok || !sleep_note.empty()) {
        std::fprintf(stderr, "vantctl %s: %c: %s%s\n", invocation.command.c_str(), address,
                     failure_text(outcome.code).c_str(), sleep_note.c_str());
    }
}

}  // namespace

Outcome outcome_of(int32_t code, std::string answer) {
    return outcome_of(code, {RC_SUCCESS}, std::move(answer));
}

Outcome outcome_of(int32_t code, std::initializer_list<int32_t> successes, std::string answer) {
    const bool ok = std::find(successes.begin(), successes.end(), code) != successes.end();
    return Outcome{code, ok, std::move(answer)};
}

std::string failure_text(int32_t code) {
    const std::string_view text = opscore::result_text(code);
    return text.empty() ? "result " + std::to_string(code) : std::string(text);
}

LinkSession::LinkSession(const LinkOptions& options) : port_(options.port) {
    if (const std::string error = open_link(options); !error.empty()) throw CommandFailure(error);
}

LinkSession::~LinkSession() {
    HM_CloseCommPort(port_);
}

int visit_each(const Invocation& invocation, const std::string& addresses,
               const TerminalStep& step) {
    const LinkSession session(invocation.link);
    return visit_each_open(invocation, addresses, step);
}

int visit_each_open(const Invocation& invocation, const std::string& addresses,
                    const TerminalStep& step) {
    bool failed = false;
    for (char address : addresses) {
        const Outcome outcome = step(address);
        report(invocation, address, addresses.size() > 1, outcome);
        failed = failed || !outcome.ok;
    }
    return failed ? 1 : 0;
}

int visit_plain(const Invocation& invocation, PlainCall call) {
    return visit_each(invocation, checked_addresses(invocation.word(0)),
                      [&](char a) { return outcome_of(call(invocation.link.port, a)); });
}

int visit_with_text(const Invocation& invocation, TextCall call, const std::string& text) {
    return visit_each(invocation, checked_addresses(invocation.word(0)), [&](char a) {
        return outcome_of(call(invocation.link.port, a, text.c_str()));
    });
}

}  // namespace vantctl
