// The port: settings strings, the device behind COM<n>, and the settings put on the line.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "pty_line.h"
#include "serial_line.h"

namespace tembra::test {
namespace {

TEST(TembraLineSettings, ParsesSpeedParityDataAndStopBits) {
    const auto usual = parseLineSettings("9600,n,8,1");
    ASSERT_TRUE(usual);
    EXPECT_EQ(usual->baudRate, 9600);
    EXPECT_EQ(usual->parity, QSerialPort::NoParity);
    EXPECT_EQ(usual->dataBits, QSerialPort::Data8);
    EXPECT_EQ(usual->stopBits, QSerialPort::OneStop);

    const auto other = parseLineSettings("1200,E,7,2");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->baudRate, 1200);
    EXPECT_EQ(other->parity, QSerialPort::EvenParity);
    EXPECT_EQ(other->dataBits, QSerialPort::Data7);
    EXPECT_EQ(other->stopBits, QSerialPort::TwoStop);

    const auto odd = parseLineSettings("300,o,5,1.5");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->parity, QSerialPort::OddParity);
    EXPECT_EQ(odd->dataBits, QSerialPort::Data5);
    EXPECT_EQ(odd->stopBits, QSerialPort::OneAndHalfStop);
}

TEST(TembraLineSettings, RejectsMalformedStrings) {
    for (const char* bad :
         {"", "9600", "9600,n,8", "9600,n,8,1,x", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1",
          "9600,x,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3"}) {
        EXPECT_FALSE(parseLineSettings(bad)) << bad;
    }
}

TEST(TembraLineSettings, PortPathComesFromTheEnvironmentOrTheSerialDevices) {
    qunsetenv("TEMBRA_COM2");
    EXPECT_EQ(devicePathForPort(2), "/dev/ttyS1");
    EXPECT_EQ(devicePathForPort(1), "/dev/ttyS0");
    EXPECT_EQ(devicePathForPort(2, "/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
    qputenv("TEMBRA_COM2", "/tmp/my-line");
    EXPECT_EQ(devicePathForPort(2, "/dev/serial/by-id/usb-x"), "/tmp/my-line");
    EXPECT_EQ(devicePathForPort(12), "/dev/ttyS11");
    // Set but empty: a slip in the set-up, never the first serial port in its place.
    qputenv("TEMBRA_COM2", "");
    SerialLine comm;
    comm.setCommPort(2);
    EXPECT_FALSE(comm.open());
    EXPECT_TRUE(
        comm.errorText().endsWith("\nTEMBRA_COM2 is set but empty: give it the device's path"))
        << comm.errorText().toStdString();
    qunsetenv("TEMBRA_COM2");
}

TEST(TembraLineSettings, OpenPutsTheSettingsOnTheLineAndReadsOneCharacterAtATime) {
    PtyLine line;
    qputenv("TEMBRA_COM6", line.slavePath().toLocal8Bit());
    SerialLine comm;
    comm.setCommPort(6);
    // A pseudo-terminal keeps 8 data bits without parity whatever is asked; stop bits it takes.
    comm.setSettings("38400,n,8,2");
    ASSERT_TRUE(comm.open()) << comm.errorText().toStdString();
    EXPECT_EQ(line.inputSpeed(), 38400);
    EXPECT_FALSE(line.parityEnabled());
    EXPECT_EQ(line.dataBits(), 8);
    EXPECT_TRUE(line.twoStopBits());

    EXPECT_EQ(comm.input(std::chrono::microseconds(0)), "");
    line.send("ab");
    QByteArray received;
    for (int pass = 0; pass < 100000 && received.size() < 2; ++pass) {
        const QByteArray chunk = comm.input(std::chrono::milliseconds(10));
        ASSERT_LE(chunk.size(), 1);
        received += chunk;
    }
    EXPECT_EQ(received, "ab");
    comm.close();
    EXPECT_FALSE(comm.isOpen());
}

TEST(TembraLineSettings, SymlinkedDeviceOpensAndAHungUpLineIsNotSpunOn) {
    PtyLine line;
    QTemporaryDir dir;
    const QString link = dir.filePath("tembra-pc");
    ASSERT_TRUE(QFile::link(line.slavePath(), link));
    qputenv("TEMBRA_COM6", link.toLocal8Bit());
    SerialLine comm;
    comm.setCommPort(6);
    ASSERT_TRUE(comm.open()) << comm.errorText().toStdString();
    line.send("x");
    QByteArray received;
    for (int pass = 0; pass < 100 && received.isEmpty(); ++pass) {
        received = comm.input(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(received, "x");

    line.hangUp();
    QElapsedTimer clock;
    clock.start();
    int passes = 0;
    while (clock.elapsed() < 100) {
        EXPECT_EQ(comm.input(std::chrono::milliseconds(10)), "");
        ++passes;
    }
    EXPECT_LE(passes, 20);  // each pass still waits; a spinning read would make thousands
}

TEST(TembraLineSettings, OpenFailureNamesThePortAndTheReason) {
    qputenv("TEMBRA_COM6", "/nonexistent/tty-line");
    SerialLine comm;
    comm.setCommPort(6);
    EXPECT_FALSE(comm.open());
    EXPECT_TRUE(comm.errorText().contains("COM6")) << comm.errorText().toStdString();
    EXPECT_TRUE(comm.errorText().contains("/nonexistent/tty-line"));
    EXPECT_GT(comm.errorText().size(), QString("Impossibile aprire la porta seriale COM6 "
                                               "(/nonexistent/tty-line): ")
                                           .size());

    qputenv("TEMBRA_COM6", "/dev/null");
    comm.setSettings("9600,n,8");
    EXPECT_FALSE(comm.open());
    EXPECT_TRUE(comm.errorText().contains("9600,n,8"));
}

TEST(TembraLineSettings, PortThatWillNotOpenGivesTheSystemsReasonOnASecondLine) {
    qputenv("TEMBRA_COM6", "/nonexistent/tty-line");
    SerialLine comm;
    comm.setCommPort(6);
    EXPECT_FALSE(comm.open());
    EXPECT_TRUE(comm.errorText().endsWith("\nNo such device: /nonexistent/tty-line"))
        << comm.errorText().toStdString();

    // Held by the link library's lock (as the host or vantctl hold it): refused, even for root.
    PtyLine line;
    qputenv("TEMBRA_COM6", line.slavePath().toLocal8Bit());
    const int holder = ::open(line.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    comm.setSettings("9600,n,8,1");
    EXPECT_FALSE(comm.open());
    EXPECT_FALSE(comm.isOpen());
    EXPECT_TRUE(comm.errorText().startsWith("Impossibile aprire la porta seriale COM6"));
    EXPECT_TRUE(
        comm.errorText().endsWith("\n" + line.slavePath() + " is in use by another program"))
        << comm.errorText().toStdString();
    ::close(holder);
    EXPECT_TRUE(comm.open()) << comm.errorText().toStdString();
    comm.close();
    qunsetenv("TEMBRA_COM6");
}

}  // namespace
}  // namespace tembra::test
