#include "line_collector.h"

namespace tembra {

namespace {

constexpr char kEndMark[] = "END";
constexpr qsizetype kEndMarkTail = sizeof kEndMark - 2;  // what of the mark a cut may leave behind

}  // namespace

std::optional<QByteArray> LineCollector::take(char c) {
    if (c == '\n') {
        pieceTail_.clear();
        if (line_.isEmpty()) return std::nullopt;
        return finishLine();
    }
    line_.append(c);
    // The mark is looked for after every character, so it can only complete at the end;
    // checking the tail keeps long lines from costing a full scan per character.
    if (line_.endsWith(kEndMark) ||
        (line_.size() < kEndMarkTail + 1 && (pieceTail_ + line_).endsWith(kEndMark)))
        endMarkSeen_ = true;
    // A line with the mark is never stored, so it is not cut either.
    if (endMarkSeen_ || line_.size() < lineMax_) return std::nullopt;
    pieceTail_ = line_.right(kEndMarkTail);
    return finishLine();
}

QByteArray LineCollector::finishLine() {
    QByteArray finished = std::move(line_);
    line_.clear();
    return finished;
}

void LineCollector::clear() {
    line_.clear();
    pieceTail_.clear();
    endMarkSeen_ = false;
}

}  // namespace tembra
