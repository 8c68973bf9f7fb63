#include "link_glue.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <array>
#include <atomic>

#include "host_settings.h"
#include "vantlink.h"

namespace vantrel {

namespace {

std::array<std::string, kComPorts + 1> namedDevices;  // by port number; COM0 is never named

// Without a window nobody sees a late redraw, while painting one on every record cost a
// headless poller more CPU than its polling: events wait up to this long, except a termination
// request (see serveEventsOnNextPass).
constexpr qint64 kHeadlessPumpMs = 100;

std::atomic<bool> eventsWanted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void processPendingEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void processPendingEventsNowAndThen() {
    static QElapsedTimer sinceLast;
    const bool wanted = eventsWanted.exchange(false, std::memory_order_relaxed);
    if (!wanted && sinceLast.isValid() && !sinceLast.hasExpired(kHeadlessPumpMs)) return;
    sinceLast.start();
    processPendingEvents();
}

bool hasNoWindow() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

void pushLinkSettings(const HostSettings& settings) {
    HM_set_time_out(settings.Time_out);
    HM_set_ESC_delay(settings.ESC_delay);
    HM_set_NAK_delay(settings.NAK_delay);
    HM_set_power_saving_status(settings.Power_Saving ? 1 : 0);
    HM_set_upload_file_save_mode(static_cast<int32_t>(settings.Upload_Save_Mode));
    pushPortDevices(settings);
}

void pushPortDevices(const HostSettings& settings) {
    for (int port = 1; port <= kComPorts; ++port) {
        const std::string& device = settings.Ports[port - 1];
        // Refused (nothing changed there) only for a text beyond the library's limit, which the
        // settings never hold.
        if (HC_set_port_device(port, device.c_str()) != 0) namedDevices[port] = device;
    }
}

std::string namedPortDevice(int port) {
    return port >= 1 && port <= kComPorts ? namedDevices[port] : std::string();
}

void pushPowerSaving(bool on) {
    HM_set_power_saving_status(on ? 1 : 0);
}

void installMessagePump() {
    const bool noWindow = hasNoWindow();
    HM_set_message_pump(noWindow ? &processPendingEventsNowAndThen : &processPendingEvents);
    // Without a window the library need not wake every millisecond either: it sleeps on the
    // port, and a signal or arriving bytes end the sleep.
    HC_set_pump_interval(noWindow ? static_cast<int32_t>(kHeadlessPumpMs) : 1);
}

void serveEventsOnNextPass() {
    eventsWanted.store(true, std::memory_order_relaxed);
}

void removeMessagePump() {
    HM_set_message_pump(nullptr);
}

int linkPowerSavingReturn() {
    return HM_get_power_saving_return();
}

int linkVersion() {
    return HM_version();
}

}  // namespace vantrel
