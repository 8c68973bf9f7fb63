// The ports table on recorded udev descriptions: which rows, which COM names each, and the text
// and JSON forms.
#include <gtest/gtest.h>

#include <cerrno>

#include "port_table.h"

namespace {

using vantdev::PortChoice;
constexpr auto kEnv = vantdev::PortSource::Environment;
constexpr auto kIni = vantdev::PortSource::Settings;

// An FTDI adapter, a CP210x, a CDC ACM device, a built-in 16550, a placeholder ttyS and a console.
const char kRecorded[] =
    "DEVNAME=/dev/ttyUSB0\nDRIVER=ftdi_sio\nID_VENDOR=FTDI\nID_MODEL=FT232R_USB_UART\n"
    "ID_SERIAL_SHORT=A1\nID_VENDOR_ID=0403\nID_MODEL_ID=6001\n"
    "DEVLINKS=/dev/serial/by-path/pci-usb-0:1:1.0 /dev/serial/by-id/usb-FTDI_A1-if00-port0\n"
    "\n"
    "DEVNAME=/dev/ttyUSB1\nDRIVER=cp210x\nID_VENDOR_FROM_DATABASE=Silicon Labs\n"
    "ID_MODEL=CP2102\nID_SERIAL_SHORT=0001\nID_VENDOR_ID=10c4\nID_MODEL_ID=ea60\n"
    "\n"
    "DEVNAME=/dev/ttyACM0\nDRIVER=cdc_acm\nID_VENDOR=Gr\xc3\xbcn\"\\\x01\xff\nID_VENDOR_ID=2341\n"
    "ID_MODEL_ID=0043\n"
    "\n"
    "DEVNAME=/dev/ttyS0\nDRIVER=serial\nPORT_TYPE=4\n\nDEVNAME=/dev/ttyS1\nDRIVER=serial\n"
    "PORT_TYPE=0\n\nDEVNAME=/dev/console\n";

// COM1..COM4 at their defaults but for the choices given.
std::array<PortChoice, 4> choices(std::initializer_list<PortChoice> changed) {
    std::array<PortChoice, 4> all;
    for (int n = 1; n <= 4; ++n) {
        all[n - 1] = {n, "/dev/ttyS" + std::to_string(n - 1), vantdev::PortSource::Default,
                      "VANTLINK_COM" + std::to_string(n)};
    }
    for (const auto& choice : changed) all[choice.port - 1] = choice;
    return all;
}

const std::string kFtdi = "/dev/serial/by-id/usb-FTDI_A1-if00-port0";
const std::string kGone = "/dev/serial/by-id/usb-Prolific_gone-if00-port0";

struct Case {
    bool devices;
    std::array<PortChoice, 4> choices;
    int option_port;
    const char* text;
    const char* json;  // nullptr: not compared
};

const Case kCases[] = {
    {true, choices({{2, kFtdi, kEnv, ""}, {3, "/dev/ttyUSB0", kIni, ""}, {4, kGone, kIni, ""}}), 3,
     "COM                 NODE          STATE          DRIVER    VID:PID\n"
     "COM2 (environment)  /dev/ttyUSB0  busy           ftdi_sio  0403:6001\n"
     "COM3 (--device)     FTDI, FT232R USB UART, serial A1\n"
     "                    /dev/serial/by-id/usb-FTDI_A1-if00-port0\n"
     "                    held by ModemManager (process 812), minicom (process 901)\n"
     "-                   /dev/ttyUSB1  free           cp210x    10c4:ea60\n"
     "                    Silicon Labs, CP2102, serial 0001\n"
     "-                   /dev/ttyACM0  no permission  cdc_acm   2341:0043\n"
     "                    Gr\xc3\xbcn\"\\\\x01\\xff\n"
     "COM1 (default)      /dev/ttyS0    free           serial\n"
     "COM4 (Vantcom.ini)  -             missing\n"
     "                    /dev/serial/by-id/usb-Prolific_gone-if00-port0\n",
     "[\n"
     "  {\"path\":\"/dev/serial/by-id/usb-FTDI_A1-if00-port0\",\"node\":\"/dev/ttyUSB0\",\"by_id"
     "\":\"/dev/serial/by-id/usb-FTDI_A1-if00-port0\",\"driver\":\"ftdi_sio\",\"manufacturer\":\""
     "FTDI\",\"product\":\"FT232R USB UART\",\"serial\":\"A1\",\"vid\":\"0403\",\"pid\":\"6001\","
     "\"com\":[{\"port\":\"COM2\",\"source\":\"environment\"},{\"port\":\"COM3\",\"source\":\"--d"
     "evice\"}],\"state\":\"busy\",\"holders\":[{\"name\":\"ModemManager\",\"pid\":812},{\"name\""
     ":\"minicom\",\"pid\":901}]},\n"
     "  {\"path\":\"/dev/ttyUSB1\",\"node\":\"/dev/ttyUSB1\",\"by_id\":\"\",\"driver\":\"cp210x\""
     ",\"manufacturer\":\"Silicon Labs\",\"product\":\"CP2102\",\"serial\":\"0001\",\"vid\":\"10c"
     "4\",\"pid\":\"ea60\",\"com\":[],\"state\":\"free\",\"holders\":[]},\n"
     "  {\"path\":\"/dev/ttyACM0\",\"node\":\"/dev/ttyACM0\",\"by_id\":\"\",\"driver\":\"cdc_acm"
     "\",\"manufacturer\":\"Gr\xc3\xbcn\\\"\\\\\\u0001\\u00ff\",\"product\":\"\",\"serial\":\"\","
     "\"vid\":\"2341\",\"pid\":\"0043\",\"com\":[],\"state\":\"no permission\",\"holders\":[]},\n"
     "  {\"path\":\"/dev/ttyS0\",\"node\":\"/dev/ttyS0\",\"by_id\":\"\",\"driver\":\"serial\",\"m"
     "anufacturer\":\"\",\"product\":\"\",\"serial\":\"\",\"vid\":\"\",\"pid\":\"\",\"com\":[{\"p"
     "ort\":\"COM1\",\"source\":\"default\"}],\"state\":\"free\",\"holders\":[]},\n"
     "  {\"path\":\"/dev/serial/by-id/usb-Prolific_gone-if00-port0\",\"node\":\"\",\"by_id\":\"\""
     ",\"driver\":\"\",\"manufacturer\":\"\",\"product\":\"\",\"serial\":\"\",\"vid\":\"\",\"pid"
     "\":\"\",\"com\":[{\"port\":\"COM4\",\"source\":\"Vantcom.ini\"}],\"state\":\"missing\",\"ho"
     "lders\":[]}\n"
     "]\n"},
    {false, choices({}), 0, "No serial device found\n", "[]\n"},
    {false,
     choices({{1, "", kEnv, "VANTLINK_COM1"},
              {2, "/tmp/link2", kIni, ""},
              {3, "rfc2217://ts-7:4001", kIni, ""},
              {4, "udp://ts-7:4001", kEnv, ""}}),
     0,
     "COM                 NODE             STATE          DRIVER  VID:PID\n"
     "COM1 (environment)  -                empty\n"
     "                    VANTLINK_COM1 is set but empty\n"
     "COM2 (Vantcom.ini)  /tmp/link2       free\n"
     "COM3 (Vantcom.ini)  -                device server\n"
     "                    rfc2217://ts-7:4001\n"
     "COM4 (environment)  udp://ts-7:4001  bad URL\n"
     "                    Bad device URL udp://ts-7:4001: unknown scheme udp (use tcp:// or "
     "rfc2217://)\n",
     nullptr},
};

TEST(PortTable, RowsMappingsTextAndJson) {
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        SCOPED_TRACE(i);
        std::vector<vantdev::SerialDevice> devices;
        for (const auto& block : vantdev::parse_property_blocks(c.devices ? kRecorded : "")) {
            if (auto device = vantdev::device_from_properties(block)) devices.push_back(*device);
        }
        auto rows = vantdev::port_rows(devices, c.choices, c.option_port);
        for (auto& row : rows) {
            if (row.path == kFtdi) {
                row.probe_error = EWOULDBLOCK;
                row.holders = {{812, "ModemManager"}, {901, "minicom"}};
            }
            if (row.path == "/dev/ttyACM0") row.probe_error = EACCES;
            if (row.path == kGone) row.probe_error = ENOENT;
        }
        EXPECT_EQ(vantdev::port_table_text(rows), c.text);
        if (c.json != nullptr) {
            EXPECT_EQ(vantdev::port_table_json(rows), c.json);
        }
    }
}

}  // namespace
