// tembra's line collector fed what a terminal sends: any bytes, arriving in chunks whose sizes
// the first input bytes choose (a chunk is what one pass of the reception loop finds waiting,
// taken a character at a time). Every stored line must be a line of the input, whole or in
// pieces of the documented length, and the unfinished line must stay within that length.
#include <QByteArray>
#include <cstdint>
#include <string_view>
#include <vector>

#include "line_collector.h"

namespace {

using namespace tembra;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr std::size_t kChunkSizes = 4;
constexpr std::size_t kHeader = kChunkSizes + 1;  // the chunk sizes, then the line limit

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) return 0;
    const std::uint8_t* sizes = data;
    const std::string_view input(reinterpret_cast<const char*>(data) + kHeader, size - kHeader);

    // A short limit lets the cutting of long lines be reached; 0 takes the program's own.
    LineCollector collector =
        data[kChunkSizes] == 0 ? LineCollector() : LineCollector(data[kChunkSizes]);
    const auto lineMax = static_cast<std::size_t>(collector.lineMax());
    QByteArray stored;  // every stored line's bytes, in order
    std::size_t at = 0;
    std::size_t consumed = 0;  // bytes taken before the end mark stopped the reception
    for (std::size_t chunk = 0; at < input.size() && !collector.endMarkSeen(); ++chunk) {
        const std::size_t length = 1 + sizes[chunk % kChunkSizes];
        for (std::size_t i = 0; i < length && at < input.size(); ++i) {
            const char c = input[at++];
            const auto line = collector.take(c);
            if (line) {
                // Ended by a line feed, or a piece of a line at the limit.
                check(!line->isEmpty() && !line->contains('\n'));
                check(static_cast<std::size_t>(line->size()) <= lineMax);
                check(c == '\n' || static_cast<std::size_t>(line->size()) == lineMax);
                stored += *line;
            }
            check(static_cast<std::size_t>(collector.unfinishedLine().size()) <= lineMax);
            if (collector.endMarkSeen()) break;  // the reception ends at once
        }
        consumed = at;
    }

    // Nothing invented or lost: the stored lines and the unfinished one are the input taken so
    // far without its line feeds.
    QByteArray expected;
    for (const char c : input.substr(0, consumed))
        if (c != '\n') expected += c;
    check(stored + collector.unfinishedLine() == expected);

    // The mark is seen exactly when the last unfinished text holds "END".
    if (collector.endMarkSeen()) check(expected.endsWith("END"));
    collector.clear();
    check(!collector.endMarkSeen() && collector.unfinishedLine().isEmpty());
    return 0;
}
