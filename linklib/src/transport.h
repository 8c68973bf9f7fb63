// The one interface through which the library moves bytes, so tests can swap the serial port.
#pragma once

#include <cstdint>
#include <span>

namespace vantlink {

class Transport {
public:
    virtual ~Transport() = default;
    virtual bool write(std::span<const uint8_t> bytes) = 0;
    // Next received byte without waiting, or -1 when none is waiting.
    virtual int read_byte() = 0;
    // Discards unread input.
    virtual void purge() = 0;
    // Returns once everything written has left.
    virtual void drain() = 0;
    // Sleeps until a byte can be read or timeout_ms have passed.
    virtual void wait_readable(int timeout_ms) = 0;
    // True while the device has hung up or gone and is not yet back.
    virtual bool line_lost() const { return false; }
    // True while the line, back after a loss, is up on another device than the one first opened.
    virtual bool on_other_device() const { return false; }
    // A short name for traces, such as "COM1".
    virtual const char* name() const = 0;
};

}  // namespace vantlink
