#include "termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

#include "link_glue.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr std::array kWatchedSignals{SIGTERM, SIGINT};

volatile std::sig_atomic_t reloadRequested = 0;
struct sigaction previousHangUpAction;

// The pipe the handler writes to: [0] read by the event loop, [1] written by the handler.
int signalPipe[2] = {-1, -1};
struct sigaction previousActions[kWatchedSignals.size()];

void onSignal(int number) {
    const int savedErrno = errno;
    // A library wait of any length (a huge ESC delay, an endless transfer) ends at once; the
    // program ends and never sends another command.
    HM_set_cancel(1);
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request: losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    serveEventsOnNextPass();
    errno = savedErrno;
}

// A reload waits for the next safe point of polling: nothing is cancelled, nothing woken.
void onHangUp(int) {
    reloadRequested = 1;
}

void closePipe() {
    for (int& end : signalPipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

bool installHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and writes of the link and the files go on as if nothing happened.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i) {
        if (::sigaction(kWatchedSignals[i], &action, &previousActions[i]) != 0) return false;
    }
    action.sa_handler = onHangUp;
    return ::sigaction(SIGHUP, &action, &previousHangUpAction) == 0;
}

void restoreHandlers() {
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i)
        ::sigaction(kWatchedSignals[i], &previousActions[i], nullptr);
    ::sigaction(SIGHUP, &previousHangUpAction, nullptr);
}

}  // namespace

bool takeReloadRequest() {
    if (!reloadRequested) return false;
    reloadRequested = 0;
    return true;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (signalPipe[0] >= 0) return;  // another instance has them
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        closePipe();
        return;
    }
    if (!installHandlers()) {
        restoreHandlers();
        closePipe();
        return;
    }
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    notifier_->setEnabled(false);
    restoreHandlers();
    closePipe();
}

void TerminationSignals::readPending() {
    unsigned char bytes[16];
    ssize_t got;
    int last = 0;
    while ((got = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) last = bytes[got - 1];
    if (last != 0) emit requested(last);
}

}  // namespace vantrel
