// The common frame of every terminal sub-command: open the link, visit each address in turn,
// call the library, print the answer or the failure.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "invocation.h"

namespace vantctl {

// A failure outside any one terminal (the port, a local file): the exit status is 1.
struct CommandFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What one terminal's step came to.
struct Outcome {
    int32_t code = 0;
    bool ok = false;
    std::string answer;  // printed on standard output when ok and not empty (terminal text)
};

// ok when the code is 0.
Outcome outcome_of(int32_t code, std::string answer = {});
// ok when the code is one of successes (such as 54, "From flash ROM", for a run).
Outcome outcome_of(int32_t code, std::initializer_list<int32_t> successes, std::string answer);

// The operator's words for a code; codes without words show their number.
std::string failure_text(int32_t code);

// Holds the port open for one sub-command.
class LinkSession {
public:
    explicit LinkSession(const LinkOptions& options);  // throws CommandFailure
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

private:
    int32_t port_;
};

using TerminalStep = std::function<Outcome(char address)>;

// Opens the link, runs step for each address in order (a failure does not stop the others, an
// interrupt does: the interrupted step is not reported) and prints each result. With several
// addresses each line starts with "A: ". Returns the exit status: 1 when any terminal failed.
int visit_each(const Invocation& invocation, const std::string& addresses,
               const TerminalStep& step);

// As visit_each, but the port is already open.
int visit_each_open(const Invocation& invocation, const std::string& addresses,
                    const TerminalStep& step);

// SIGINT and SIGTERM cancel the library call in progress (HM_set_cancel): the command then
// fails as a failed one does, an upload leaving its local file as it was. A repeated signal
// only cancels again. A SIGINT ignored by the parent stays ignored.
void catch_interrupts();
// The signal that interrupted the command, or 0.
int interrupting_signal();

// Commands that take nothing but the port and the address; the addresses are the first word.
using PlainCall = int32_t (*)(int32_t port, int32_t address);
int visit_plain(const Invocation& invocation, PlainCall call);

// Commands that take one text; the addresses are the first word.
using TextCall = int32_t (*)(int32_t port, int32_t address, const char* text);
int visit_with_text(const Invocation& invocation, TextCall call, const std::string& text);

}  // namespace vantctl
