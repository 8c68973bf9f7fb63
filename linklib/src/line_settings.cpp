// What the open call's arguments mean, the same on every platform.
#include <array>

#include "port_diagnosis.h"
#include "serial_port.h"
#include "state.h"

namespace vantlink {
namespace {

constexpr std::array<uint32_t, 10> kBaudTable = {110,  300,  600,   1200,  2400,
                                                 4800, 9600, 19200, 38400, 57600};

}  // namespace

LineSettings line_settings_from_codes(int32_t baud, int32_t data_bits, int32_t parity,
                                      int32_t stop_bits) {
    LineSettings settings;
    const auto code = static_cast<uint32_t>(baud);
    settings.baud_rate = code < kBaudTable.size() ? kBaudTable[code] : code;
    settings.data_bits = data_bits;
    settings.parity = parity == 0 ? 0 : (parity == 1 ? 1 : 2);
    settings.stop_bits = stop_bits == 1 ? 1 : 2;
    return settings;
}

std::string device_path_for_port(int32_t port) {
    const bool known = port >= 0 && port < kPortCount;
    return port_device_path("VANTLINK_COM", port, known ? state().port_devices[port] : "");
}

}  // namespace vantlink
