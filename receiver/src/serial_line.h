// The receiver's serial port: opened by port number and a settings string such as "9600,n,8,1",
// read at most one character at a time.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <chrono>
#include <optional>

namespace tembra {

struct LineSettings {
    qint32 baudRate = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Parses "<speed>,<parity n|e|o|m|s>,<data bits 5..8>,<stop bits 1|1.5|2>"; nothing when malformed.
std::optional<LineSettings> parseLineSettings(const QString& settings);

inline constexpr char kPortVariable[] = "TEMBRA_COM";

// COM<n> is the path in TEMBRA_COM<n> when that is set, else `configured` (the device Setup.ini
// chose for it) when there is one, else /dev/ttyS<n-1>; empty when the variable is set but empty,
// or n is below 1 with nothing configured.
QString devicePathForPort(int portNumber, const QByteArray& configured = {});

class SerialLine : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kReceiveBufferSize = 1024;

    explicit SerialLine(QObject* parent = nullptr);

    int commPort() const { return commPort_; }
    void setCommPort(int portNumber) { commPort_ = portNumber; }
    QString settings() const { return settings_; }
    void setSettings(const QString& settings) { settings_ = settings; }
    // The device Setup.ini chose for the port, empty for none.
    void setConfiguredDevice(const QByteArray& path) { configuredDevice_ = path; }

    // Opens COM<commPort> read-only with the current settings; on failure errorText() says why,
    // with the system's reason (missing, no permission, held) on a second line.
    bool open();
    void close();
    bool isOpen() const { return port_.isOpen(); }
    QString errorText() const { return errorText_; }

    // One received character, or an empty array when none arrived within `wait`. The wait
    // keeps a quiet line from costing a whole core; a character ends it at once.
    QByteArray input(std::chrono::microseconds wait);

private:
    bool waitForCharacter(std::chrono::microseconds wait);

    QSerialPort port_;
    int commPort_ = 2;
    QString settings_ = QStringLiteral("19200,n,8,1");
    QByteArray configuredDevice_;
    QString errorText_;
};

}  // namespace tembra
