// Byte and event trace in the link library's format, so both sides' traces line up.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "clock.h"

namespace termsim {

class Trace {
public:
    Trace() = default;
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // "-" traces to standard error; an empty target leaves the trace off.
    bool open(const std::string& target);
    bool enabled() const { return file_ != nullptr; }

    void sent(Nanos when, std::span<const std::uint8_t> bytes);
    void received(Nanos when, std::span<const std::uint8_t> bytes);
    void event(const std::string& text);

private:
    void bytes_line(Nanos when, char direction, std::span<const std::uint8_t> bytes);

    std::FILE* file_ = nullptr;
    bool owns_file_ = false;
};

// "STX 41 ESC" style rendering of bytes, shared with the event texts.
std::string describe_bytes(std::span<const std::uint8_t> bytes);
// Printable text with other bytes shown as <hh>, for event lines.
std::string printable(std::span<const std::uint8_t> bytes);

}  // namespace termsim
