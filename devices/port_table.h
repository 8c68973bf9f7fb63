// The serial devices and the COM numbers that name them, as one table for a person or as JSON
// for a script. Building and formatting take what was found (the devices, the choices, the
// probes) and do no I/O themselves, so they are checked on recorded descriptions.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "port_choice.h"
#include "port_diagnosis.h"
#include "serial_devices.h"

namespace vantdev {

struct ComMapping {
    int port = 0;
    std::string source;  // "environment", "Vantcom.ini", "default" or "--device"
};

struct PortRow {
    std::string path;     // the name to choose: the stable one, or what the COM names
    SerialDevice device;  // all empty but the path for a device that is not listed
    bool listed = false;  // one of the devices present
    std::vector<ComMapping> coms;
    std::string variable;  // for a COM whose variable is set but empty: the variable
    int probe_error = 0;   // errno of opening it as the library does; 0 when it opens
    // A device server's URL is never opened here (a connect could take the line from its user):
    // only its form is checked; url_problem says what is wrong with it.
    bool network = false;
    std::string url_problem;
    std::vector<vantlink::PortHolder> holders;
};

// One row per listed device, in the order given, with the COMs whose path names it; then one
// row per other path a COM names (a pseudo-terminal, a device that is gone), except the default
// /dev/ttyS<n-1> of a COM that nobody chose, which is only shown when it is present. A COM
// whose port is option_port came from --device.
std::vector<PortRow> port_rows(const std::vector<SerialDevice>& devices,
                               const std::array<PortChoice, kComPorts>& choices,
                               int option_port = 0);

// "free", "busy", "no permission", "missing", "not a serial device", else the system's text; an
// empty variable is "empty", a device server's URL "device server" or "bad URL".
std::string port_state(const PortRow& row);

// The table a person reads; "No serial device found" when there are no rows.
std::string port_table_text(const std::vector<PortRow>& rows);

// A JSON array, one object per row on a line of its own.
std::string port_table_json(const std::vector<PortRow>& rows);

// text as the inside of a JSON string: quotes, backslashes and control bytes escaped, UTF-8
// kept, and each byte that is no part of a valid UTF-8 sequence as the character of that number.
std::string json_escaped(const std::string& text);

}  // namespace vantdev
