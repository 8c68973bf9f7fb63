// The serial device behind a port number, opened exclusively in raw mode.
#pragma once

#ifndef _WIN32
#include <termios.h>
#endif

#include <cstdint>
#include <memory>
#include <string>

#include "transport.h"

namespace vantlink {

struct LineSettings {
    uint32_t baud_rate = 9600;
    int data_bits = 8;
    int parity = 0;     // 0 none, 1 odd, 2 even
    int stop_bits = 1;  // 1 or 2
};

// Turns the arguments of the open call into line settings (baud codes 0..9, else a raw rate).
LineSettings line_settings_from_codes(int32_t baud, int32_t data_bits, int32_t parity,
                                      int32_t stop_bits);

// VANTLINK_COM<n> when set, else the device set for the number, else /dev/ttyS<n-1> (\\.\COM<n>
// on Windows); empty when there is no device for the number.
std::string device_path_for_port(int32_t port);

// Opens and configures the device; nullptr when it is missing, held elsewhere, or refuses the
// settings, with the errno (Windows: the system error code) of the failed step in *error when
// error is given.
std::unique_ptr<Transport> open_serial_port(const std::string& path, const std::string& name,
                                            const LineSettings& settings, int* error = nullptr);

#ifndef _WIN32
// Raw mode plus byte size, parity, stop bits and a standard speed; false for a byte size the
// line cannot take. Every other setting of the device stays.
bool configure_termios(termios& tio, const LineSettings& settings);

// Sets a baud rate outside the standard table (Linux termios2). Kept apart because its kernel
// header clashes with <termios.h>.
bool set_custom_baud_rate(int fd, uint32_t rate);
#endif

}  // namespace vantlink
