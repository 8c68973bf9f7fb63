#include "trace_lines.h"

#include <chrono>
#include <cstdio>

namespace vantrel {

namespace {

const char* const kControlNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                       "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                       "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                       "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

}  // namespace

std::string traceByteText(uint8_t byte) {
    if (byte < 32) return kControlNames[byte];
    if (byte == 0x7F) return "DEL";
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", byte);
    return hex;
}

std::string traceLine(uint64_t startedMs, char direction, int port,
                      std::span<const uint8_t> bytes) {
    std::string line = std::to_string(startedMs) + ' ' + direction + " COM" + std::to_string(port);
    line.reserve(line.size() + bytes.size() * 4);
    for (uint8_t byte : bytes) {
        line += ' ';
        line += traceByteText(byte);
    }
    return line;
}

uint64_t traceClockMs() {
    // steady_clock is CLOCK_MONOTONIC, the clock of the library's trace.
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TraceLines::add(uint64_t nowMs, char direction, int port, std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    if (!burst_.empty() &&
        (direction != direction_ || port != port_ || nowMs - lastByteMs_ > kBurstGapMs)) {
        finishBurst();
    }
    if (burst_.empty()) {
        startedMs_ = nowMs;
        direction_ = direction;
        port_ = port;
    }
    lastByteMs_ = nowMs;
    burst_.insert(burst_.end(), bytes.begin(), bytes.end());
}

std::vector<std::string> TraceLines::take(uint64_t nowMs, bool all) {
    if (!burst_.empty() && (all || nowMs - lastByteMs_ > kBurstGapMs)) finishBurst();
    std::vector<std::string> taken(std::make_move_iterator(lines_.begin()),
                                   std::make_move_iterator(lines_.end()));
    lines_.clear();
    return taken;
}

void TraceLines::clear() {
    lines_.clear();
    burst_.clear();
}

void TraceLines::finishBurst() {
    lines_.push_back(traceLine(startedMs_, direction_, port_, burst_));
    burst_.clear();
    while (lines_.size() > maxLines_) lines_.pop_front();
}

}  // namespace vantrel
