// Where the line's answers go: straight to the port, or through the modem.
#pragma once

#include "clock.h"
#include "wire.h"

namespace termsim {

class Downlink {
public:
    virtual ~Downlink() = default;
    // Sends bytes whose first byte may start no earlier than the given time.
    virtual void send(const Bytes& bytes, Nanos earliest) = 0;
    virtual bool has_carrier() const { return false; }
    virtual void drop_carrier(Nanos /*at*/) {}
};

// Receives the host's bytes, each with the time it is taken to have arrived.
class Uplink {
public:
    virtual ~Uplink() = default;
    virtual void receive(std::uint8_t byte, Nanos arrival) = 0;
};

}  // namespace termsim
