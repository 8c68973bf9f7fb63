// Exports for ports, link settings, waits and library facts.
#include <string>

#include "line_io.h"
#include "net_port.h"
#include "port_diagnosis.h"
#include "serial_port.h"
#include "state.h"
#include "trace.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr int32_t kLibraryVersion = 7;
constexpr int32_t kLongestPumpIntervalMs = 100;

}  // namespace

extern "C" {

int32_t HM_OpenCommPort(int32_t port, int32_t baud, int32_t data_bits, int32_t parity,
                        int32_t stop_bits) {
    if (port < 0 || port >= kPortCount) return 0;
    // Reopening a number closes the old handle first, so new settings take effect.
    if (!install_transport(port, nullptr)) return 0;
    const std::string name = "COM" + std::to_string(port);
    const std::string path = device_path_for_port(port);
    if (path.empty()) {
        trace_note(name.c_str(),
                   "open error: no device is set (VANTLINK_COM" + std::to_string(port) + ")");
        return 0;
    }
    const LineSettings settings = line_settings_from_codes(baud, data_bits, parity, stop_bits);
    if (is_network_url(path)) {
        std::string reason;
        auto transport = open_network_port(path, name, settings, reason);
        if (!transport) {
            trace_note(name.c_str(), "open error: " + reason);
            return 0;
        }
        install_transport(port, std::move(transport));
        return 1;
    }
    int error = 0;
    auto transport = open_serial_port(path, name, settings, &error);
    if (!transport) {
        trace_note(name.c_str(), "open error: " + port_open_reason(path, error));
        return 0;
    }
    install_transport(port, std::move(transport));
    return 1;
}

int32_t HM_CloseCommPort(int32_t port) {
    if (port_transport(port) == nullptr) return 0;
    install_transport(port, nullptr);
    return 1;
}

int32_t HM_set_time_out(int32_t ms) {
    return state().settings.time_out_ms = ms;
}
int32_t HM_get_time_out(void) {
    return state().settings.time_out_ms;
}
int32_t HM_set_ESC_delay(int32_t ms) {
    return state().settings.esc_delay_ms = ms;
}
int32_t HM_get_ESC_delay(void) {
    return state().settings.esc_delay_ms;
}
int32_t HM_set_NAK_delay(int32_t ms) {
    return state().settings.nak_delay_ms = ms;
}
int32_t HM_get_NAK_delay(void) {
    return state().settings.nak_delay_ms;
}
int32_t HM_set_Tester_delay(int32_t ms) {
    return state().settings.tester_delay_ms = ms;
}
int32_t HM_set_power_saving_status(int32_t on) {
    return state().settings.power_saving = on;
}
int32_t HM_get_power_saving_status(void) {
    return state().settings.power_saving;
}
int32_t HM_get_power_saving_return(void) {
    return state().power_saving_result;
}
int32_t HM_set_upload_file_save_mode(int32_t mode) {
    return state().settings.upload_save_mode = mode;
}
int32_t HM_get_upload_file_save_mode(void) {
    return state().settings.upload_save_mode;
}

int32_t HM_time_delay(int32_t ms) {
    return pumped_wait(ms);
}

int32_t HM_version(void) {
    return kLibraryVersion;
}

int32_t HM_get_return_string_length(int32_t index) {
    // Only entry 0 is ever written; other indexes read as 0 without touching memory.
    return index == 0 ? state().return_string_length[0] : 0;
}

int32_t HC_line_state(int32_t port) {
    const Transport* transport = port_transport(port);
    if (transport == nullptr) return 0;
    if (transport->line_lost()) return 1;
    return transport->on_other_device() ? 2 : 0;
}

int32_t HC_set_port_device(int32_t port, const char* path) {
    if (port < 0 || port >= kPortCount) return 0;
    const std::string device = path == nullptr ? std::string() : std::string(path);
    if (device.size() >= kPortDeviceMax) return 0;
    state().port_devices[port] = device;
    return 1;
}

int32_t HM_set_cancel(int32_t on) {
    cancel_requested.store(on, std::memory_order_relaxed);
    return on;
}

void HM_set_message_pump(void (*pump)(void)) {
    state().message_pump = pump;
}

int32_t HC_set_pump_interval(int32_t ms) {
    if (ms < 1 || ms > kLongestPumpIntervalMs) return 0;
    state().pump_interval_ms = ms;
    return 1;
}

}  // extern "C"
