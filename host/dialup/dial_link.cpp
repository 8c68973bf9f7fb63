#include "dial_link.h"

#include "link_glue.h"
#include "port_diagnosis.h"
#include "vantlink.h"

namespace vantrel {

namespace {

class LibraryDialLink final : public DialLink {
public:
    bool openPort(int port, int baudIndex, int dataBits, int parity, int stopBits) override {
        return HM_OpenCommPort(port, baudIndex, dataBits, parity, stopBits) != 0;
    }
    std::string openFailureReason(int port) override {
        return vantlink::diagnose_port(kPortVariablePrefix, port, namedPortDevice(port));
    }
    std::string portDevice(int port) override {
        return vantlink::port_device_path(kPortVariablePrefix, port, namedPortDevice(port));
    }
    void closePort(int port) override { HM_CloseCommPort(port); }
    int modemCommand(int port, const std::string& command, std::int32_t timeoutMs) override {
        return HC_modem_cmd(port, command.c_str(), timeoutMs);
    }
    int modemCommandMode(int port, std::int32_t timeoutMs) override {
        return HC_modem_cmd_mode(port, timeoutMs);
    }
};

}  // namespace

DialLink& libraryDialLink() {
    static LibraryDialLink link;
    return link;
}

}  // namespace vantrel
