#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantrel {

// SIGTERM and SIGINT (a service being stopped, Ctrl+C in a terminal) become the signal
// requested() on the event loop, where the program can end a running command at its next safe
// point. The handler cancels the link library's calls (every wait ends at once) and writes a
// byte to a pipe; the library's message pump runs the event loop inside its waits, so a request
// is seen even while a library call is in progress.
// SIGHUP (a service being reloaded) only asks for Vantcom.ini to be read again; polling takes
// the request at its next safe point through takeReloadRequest().
// One instance per process: it takes the signals over and gives them back when destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the pipe or a handler could not be set up (the signals then act as ever).
    bool watching() const { return notifier_ != nullptr; }

signals:
    void requested(int signalNumber);

private:
    void readPending();

    QSocketNotifier* notifier_ = nullptr;
};

// True once after each SIGHUP since the last call.
bool takeReloadRequest();

}  // namespace vantrel
