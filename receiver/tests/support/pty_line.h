// The terminal's end of a pseudo-terminal: the receiver opens the slave path as its port and
// the test writes what a terminal would send into the master side.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <thread>

namespace tembra::test {

class PtyLine {
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    QString slavePath() const { return slavePath_; }

    // Writes everything at once; the pty keeps it until the receiver reads.
    void send(const QByteArray& bytes);

    // Writes from a background thread, one burst per `burst` bytes, paced to `baud` (10 bits a
    // character) by absolute deadlines so the average rate is exact.
    void sendPaced(QByteArray bytes, int baud, int burst = 16);
    void waitUntilSent();

    // Closes the terminal's side, as when a cable is pulled.
    void hangUp();

    // The line settings the receiver put on its end.
    int inputSpeed() const;
    bool parityEnabled() const;
    bool twoStopBits() const;
    int dataBits() const;

private:
    int master_ = -1;
    QString slavePath_;
    std::thread writer_;
};

}  // namespace tembra::test
