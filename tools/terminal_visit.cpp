#include "terminal_visit.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "result_text.h"
#include "terminal_text.h"
#include "vantlink.h"

namespace vantctl {
namespace {

volatile std::sig_atomic_t g_interrupt = 0;

void on_interrupt(int signal_number) {
    g_interrupt = signal_number;
    HM_set_cancel(1);
}

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

#ifdef _WIN32
// Windows has no sigaction; its SIGINT (Ctrl-C) and SIGTERM handlers are single-shot and run on
// a thread of their own, which the cancel flag, an atomic, allows.
void catch_interrupts() {
    for (const int signal_number : {SIGINT, SIGTERM}) std::signal(signal_number, on_interrupt);
}
#else
void catch_interrupts() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait in the library ends at once. A repeat only cancels again, since
    // timeout(1) and service managers signal the process and then its whole group; the
    // library returns promptly once cancelled, and Ctrl-\ still ends at once.
    action.sa_flags = 0;
    for (const int signal_number : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        if (sigaction(signal_number, nullptr, &old) != 0) continue;
        if (signal_number == SIGINT && old.sa_handler == SIG_IGN) continue;  // a background job
        sigaction(signal_number, &action, nullptr);
    }
}
#endif

int interrupting_signal() {
    return g_interrupt;
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
        // The step failed because it was cancelled, not because of the terminal.
        if (interrupting_signal() != 0) return 1;
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
