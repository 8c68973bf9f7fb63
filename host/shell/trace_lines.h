// The link library's trace line form, built on the host's side from the bytes that the library
// hands its trace handler, so the host needs none of the library's insides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

// One byte as the trace writes it: a control name such as "STX", else two hex digits.
std::string traceByteText(uint8_t byte);

// "<ms> <direction> COM<port> <byte> <byte> ...", the line VANTLINK_TRACE writes for a burst.
std::string traceLine(uint64_t startedMs, char direction, int port, std::span<const uint8_t> bytes);

// Milliseconds of the monotonic clock, the time base of the library's trace.
uint64_t traceClockMs();

// Gathers bytes into bursts as the library's trace does: a change of direction or port, or a
// pause longer than the gap, starts a new line. Keeps at most maxLines finished lines, the
// newest, since a pane shows no more than that anyway.
class TraceLines {
public:
    static constexpr uint64_t kBurstGapMs = 20;

    explicit TraceLines(std::size_t maxLines) : maxLines_(maxLines) {}

    void add(uint64_t nowMs, char direction, int port, std::span<const uint8_t> bytes);
    // The finished lines, oldest first, handed over once. The burst still going on is finished
    // first when `all` is set or the line has been quiet for longer than the gap.
    std::vector<std::string> take(uint64_t nowMs, bool all = false);
    void clear();
    bool empty() const { return lines_.empty() && burst_.empty(); }

private:
    void finishBurst();

    std::size_t maxLines_;
    std::deque<std::string> lines_;
    std::vector<uint8_t> burst_;
    char direction_ = '>';
    int port_ = 0;
    uint64_t startedMs_ = 0;
    uint64_t lastByteMs_ = 0;
};

}  // namespace vantrel
