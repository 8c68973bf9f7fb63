#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The port and modem calls of the link library that connecting and hanging up need; tests put
// a scripted line in its place.
class DialLink {
public:
    virtual ~DialLink() = default;
    // parity: 0 none, 1 odd, 2 even. True when the port is open.
    virtual bool openPort(int port, int baudIndex, int dataBits, int parity, int stopBits) = 0;
    // After a failed openPort: the system's reason in one line, empty when it has none.
    virtual std::string openFailureReason(int /*port*/) { return {}; }
    // The device the port opens, for the operator; empty when not known.
    virtual std::string portDevice(int /*port*/) { return {}; }
    virtual void closePort(int port) = 0;
    // The modem's numeric result: 0 OK, 1 CONNECT, 200 no known answer.
    virtual int modemCommand(int port, const std::string& command, std::int32_t timeoutMs) = 0;
    // "+++" back to command state; the modem's numeric result.
    virtual int modemCommandMode(int port, std::int32_t timeoutMs) = 0;
};

// The link library itself.
DialLink& libraryDialLink();

}  // namespace vantrel
