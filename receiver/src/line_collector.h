// Assembles received characters into lines: a line feed ends a line and is dropped, every other
// character (CR included) is kept, and "END" anywhere in the unfinished line marks the end of
// the transmission.
#pragma once

#include <QByteArray>
#include <optional>

namespace tembra {

class LineCollector {
public:
    // Takes one received character. Returns the finished line when it is a line feed that ends
    // a non-empty line.
    std::optional<QByteArray> take(char c);

    bool endMarkSeen() const { return endMarkSeen_; }
    const QByteArray& unfinishedLine() const { return line_; }
    void clear();

private:
    QByteArray line_;
    bool endMarkSeen_ = false;
};

}  // namespace tembra
