#include "line_collector.h"

namespace tembra {

std::optional<QByteArray> LineCollector::take(char c) {
    if (c == '\n') {
        if (line_.isEmpty()) return std::nullopt;
        QByteArray finished = std::move(line_);
        line_.clear();
        return finished;
    }
    line_.append(c);
    // The mark is looked for after every character, so it can only complete at the end;
    // checking the tail keeps long lines from costing a full scan per character.
    if (line_.endsWith("END")) endMarkSeen_ = true;
    return std::nullopt;
}

void LineCollector::clear() {
    line_.clear();
    endMarkSeen_ = false;
}

}  // namespace tembra
