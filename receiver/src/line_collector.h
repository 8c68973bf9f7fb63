// Assembles received characters into lines: a line feed ends a line and is dropped, every other
// character (CR included) is kept, and "END" anywhere in the unfinished line marks the end of
// the transmission.
#pragma once

#include <QByteArray>
#include <optional>

namespace tembra {

class LineCollector {
public:
    // Far beyond any line a terminal sends. A line that reaches it without a line feed (noise,
    // or a sender that never ends its lines) is handed on in pieces of this length, each stored
    // as a line, so that nothing received is lost and the collector never holds more than this.
    static constexpr qsizetype kLineMax = 64 * 1024;

    explicit LineCollector(qsizetype lineMax = kLineMax) : lineMax_(lineMax > 0 ? lineMax : 1) {}

    // Takes one received character. Returns the finished line when it is a line feed that ends
    // a non-empty line, or the piece of a line that has reached the length limit.
    std::optional<QByteArray> take(char c);

    bool endMarkSeen() const { return endMarkSeen_; }
    const QByteArray& unfinishedLine() const { return line_; }
    qsizetype lineMax() const { return lineMax_; }
    void clear();

private:
    QByteArray finishLine();

    qsizetype lineMax_;
    QByteArray line_;
    // The end of the piece handed on last, while its line goes on: the mark may span the cut.
    QByteArray pieceTail_;
    bool endMarkSeen_ = false;
};

}  // namespace tembra
