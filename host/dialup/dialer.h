#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class DialLink;
class HostServices;

// What connecting asks of the operator; the window answers with dialogs and message boxes.
class DialPrompts {
public:
    virtual ~DialPrompts() = default;
    // "Dial Phone No.": the chosen entry text, nothing when cancelled.
    virtual std::optional<std::string> choosePhoneEntry(
        const std::vector<std::string>& entries) = 0;
    // A message box with an OK button; stop adds the stop icon.
    virtual void showMessage(const std::string& text, bool stop) = 0;
};

// Port > Connect / Dial and Port > Disconnect / Hang up: opens the port, with the modem
// initialises and dials, and takes the line down again. Every step is a note in the message
// window; the connected flag follows the port.
class Dialer {
public:
    Dialer(HostServices& services, DialLink& link, DialPrompts& prompts);

    // True when the line is up afterwards.
    bool connect();
    void disconnect();
    // The modem lost the call under a running command: hang up and dial the number of the open
    // line again. The port stays open and the command goes on, so a failed try is simply
    // repeated later. True when connected again.
    bool redial();

private:
    // The line as it was opened: hanging up must reach the port and the modem that were used,
    // even when the settings changed since.
    struct OpenLine {
        int port = 0;
        bool viaModem = false;
        std::string number;
    };

    std::optional<std::string> numberToDial();
    bool dial(const std::string& number);
    void hangUpModem(int port);
    void note(const std::string& operation, const std::string& detail);

    HostServices& services_;
    DialLink& link_;
    DialPrompts& prompts_;
    std::optional<OpenLine> openLine_;
};

// The dial wait in milliseconds, saturated instead of overflowing for a hand-edited file.
int dialTimeoutMs(int dialWaitSeconds);

}  // namespace vantrel
