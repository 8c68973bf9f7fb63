#include "dialer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "command_line_number.h"
#include "dial_link.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "phone_book.h"

namespace vantrel {

namespace {

constexpr int kModemOk = 0;
constexpr int kModemConnect = 1;
constexpr std::int32_t kInitialCommandTimeoutMs = 1000;
constexpr std::int32_t kHangUpTimeoutMs = 3000;

std::string withNumber(const char* text, long long value) {
    return text + std::to_string(value);
}

}  // namespace

int dialTimeoutMs(int dialWaitSeconds) {
    const long long ms = static_cast<long long>(dialWaitSeconds) * 1000;
    return static_cast<int>(std::clamp<long long>(ms, 0, std::numeric_limits<std::int32_t>::max()));
}

Dialer::Dialer(HostServices& services, DialLink& link, DialPrompts& prompts)
    : services_(services), link_(link), prompts_(prompts) {}

void Dialer::note(const std::string& operation, const std::string& detail) {
    services_.reporter().report(' ', operation, detail, -1);
}

std::optional<std::string> Dialer::numberToDial() {
    if (services_.state().commandLineMode) {
        const std::string& number = commandLinePhoneNumber();
        // Dialling "ATDT" alone would only reach the dial tone.
        if (number.empty()) prompts_.showMessage("No Phone number", false);
        if (number.empty()) return std::nullopt;
        return number;
    }
    const auto entry = prompts_.choosePhoneEntry(phoneBookEntries(services_.settings()));
    if (!entry) return std::nullopt;
    if (!phoneEntryHasNumber(*entry)) {
        prompts_.showMessage("No Phone number", false);
        return std::nullopt;
    }
    return phoneEntryNumber(*entry);
}

bool Dialer::connect() {
    const HostSettings& s = services_.settings();
    const bool viaModem = s.Use_modem;
    std::string number;
    if (viaModem) {
        auto chosen = numberToDial();
        if (!chosen) return false;
        number = std::move(*chosen);
    }
    const int port = s.Port;
    if (!link_.openPort(port, s.BaudRate, s.DataBit, static_cast<int>(s.Parity), s.StopBit)) {
        // The box keeps its fixed first line; the next names the device and why it would not
        // open, as the message window keeps it.
        const std::string reason = link_.openFailureReason(port);
        const std::string device = link_.portDevice(port);
        std::string text = withNumber("COM", port) + " open error";
        if (!reason.empty())
            text += "\n" + reason;
        else if (!device.empty())
            text += "\nDevice: " + device;
        prompts_.showMessage(text, true);
        // Unanswered, the box's lines are in the message window already.
        if (!reason.empty() && operatorCanAnswer()) note(reason, "");
        return false;
    }
    openLine_ = OpenLine{port, viaModem, number};
    // Which of several adapters the number meant is what the operator needs to know.
    note(withNumber("Open COM", port), link_.portDevice(port));
    if (viaModem && !dial(number)) {
        disconnect();
        return false;
    }
    services_.setConnected(true);
    return true;
}

bool Dialer::dial(const std::string& number) {
    const HostSettings& s = services_.settings();
    const int port = openLine_->port;
    note("Send initial command ", s.Modem_Initial_command);
    if (link_.modemCommand(port, s.Modem_Initial_command, kInitialCommandTimeoutMs) != kModemOk) {
        note("Error", "");
        return false;
    }
    note("OK", "");
    note("Dial phone no ", number);
    if (link_.modemCommand(port, "ATDT" + number, dialTimeoutMs(s.Dial_Wait_Time)) !=
        kModemConnect) {
        note("Fail ", "");
        return false;
    }
    note("Connect ", "");
    return true;
}

void Dialer::hangUpModem(int port) {
    note("Hang up", " ");
    int result = link_.modemCommandMode(port, kHangUpTimeoutMs);
    note("   Send +++ ", withNumber("ret=", result));
    result = link_.modemCommand(port, "ATH", kHangUpTimeoutMs);
    note("   Send ATH ", withNumber("ret=", result));
}

bool Dialer::redial() {
    if (!openLine_ || !openLine_->viaModem) return false;
    hangUpModem(openLine_->port);
    return dial(openLine_->number);
}

void Dialer::disconnect() {
    const HostSettings& s = services_.settings();
    const OpenLine line = openLine_.value_or(OpenLine{s.Port, s.Use_modem, {}});
    if (line.viaModem) hangUpModem(line.port);
    link_.closePort(line.port);
    note("Close COM port ", " ");
    openLine_.reset();
    services_.setConnected(false);
    services_.setReady(true);
}

}  // namespace vantrel
