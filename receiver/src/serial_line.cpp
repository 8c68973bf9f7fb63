#include "serial_line.h"

#include <poll.h>
#include <sys/file.h>

#include <QStringList>
#include <QtGlobal>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "port_diagnosis.h"

namespace tembra {

namespace {

std::optional<QSerialPort::Parity> parityFrom(const QString& text) {
    const QString letter = text.trimmed().toLower();
    if (letter == "n") return QSerialPort::NoParity;
    if (letter == "e") return QSerialPort::EvenParity;
    if (letter == "o") return QSerialPort::OddParity;
    if (letter == "m") return QSerialPort::MarkParity;
    if (letter == "s") return QSerialPort::SpaceParity;
    return std::nullopt;
}

std::optional<QSerialPort::DataBits> dataBitsFrom(const QString& text) {
    bool ok = false;
    const int bits = text.trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) return std::nullopt;
    return static_cast<QSerialPort::DataBits>(bits);
}

std::optional<QSerialPort::StopBits> stopBitsFrom(const QString& text) {
    const QString bits = text.trimmed();
    if (bits == "1") return QSerialPort::OneStop;
    if (bits == "1.5") return QSerialPort::OneAndHalfStop;
    if (bits == "2") return QSerialPort::TwoStop;
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(const QString& settings) {
    const QStringList parts = settings.split(',');
    if (parts.size() != 4) return std::nullopt;
    bool ok = false;
    const qint32 baud = parts[0].trimmed().toInt(&ok);
    const auto parity = parityFrom(parts[1]);
    const auto dataBits = dataBitsFrom(parts[2]);
    const auto stopBits = stopBitsFrom(parts[3]);
    if (!ok || baud <= 0 || !parity || !dataBits || !stopBits) return std::nullopt;
    return LineSettings{baud, *parity, *dataBits, *stopBits};
}

QString devicePathForPort(int portNumber, const QByteArray& configured) {
    return QString::fromLocal8Bit(
        vantlink::port_device_path(kPortVariable, portNumber, configured.toStdString()));
}

SerialLine::SerialLine(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("MSComm1"));
    port_.setReadBufferSize(kReceiveBufferSize);
}

bool SerialLine::open() {
    errorText_.clear();
    const QString path = devicePathForPort(commPort_, configuredDevice_);
    const QString portName = QStringLiteral("COM%1 (%2)").arg(commPort_).arg(path);
    const auto line = parseLineSettings(settings_);
    if (!line) {
        errorText_ =
            QStringLiteral("Impostazioni non valide per %1: \"%2\"").arg(portName, settings_);
        return false;
    }
    // An empty variable is a slip in the set-up: no device is tried in its place.
    if (const std::string problem =
            vantlink::port_path_problem(kPortVariable, commPort_, configuredDevice_.toStdString());
        !problem.empty()) {
        errorText_ =
            QStringLiteral("Impossibile aprire la porta seriale COM%1: nessun dispositivo\n%2")
                .arg(commPort_)
                .arg(QString::fromLocal8Bit(problem));
        return false;
    }
    port_.setPortName(path);
    if (!port_.open(QIODevice::ReadOnly)) {
        errorText_ = QStringLiteral("Impossibile aprire la porta seriale %1: %2")
                         .arg(portName, port_.errorString());
        // The same reason line as the host and vantctl give for their ports.
        const std::string reason = vantlink::diagnose_port_open(path.toLocal8Bit().toStdString());
        if (!reason.empty()) errorText_ += '\n' + QString::fromLocal8Bit(reason);
        return false;
    }
    // The port's own guard does not hold for root: the lock the link library takes does, so a
    // line the host or vantctl is using is not shared.
    if (flock(static_cast<int>(port_.handle()), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        port_.close();
        errorText_ = QStringLiteral("Impossibile aprire la porta seriale %1: %2\n%3")
                         .arg(portName, QString::fromLocal8Bit(std::strerror(error)),
                              QString::fromLocal8Bit(vantlink::port_open_reason(
                                  path.toLocal8Bit().toStdString(), error)));
        return false;
    }
    const bool configured = port_.setBaudRate(line->baudRate) && port_.setParity(line->parity) &&
                            port_.setDataBits(line->dataBits) &&
                            port_.setStopBits(line->stopBits) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        errorText_ = QStringLiteral("Impossibile impostare la porta seriale %1 a \"%2\": %3")
                         .arg(portName, settings_, port_.errorString());
        port_.close();
        return false;
    }
    return true;
}

void SerialLine::close() {
    if (port_.isOpen()) port_.close();
}

QByteArray SerialLine::input(std::chrono::microseconds wait) {
    if (!port_.isOpen()) return {};
    if (port_.bytesAvailable() == 0 && !waitForCharacter(wait)) return {};
    return port_.read(1);
}

bool SerialLine::waitForCharacter(std::chrono::microseconds wait) {
    pollfd watched{static_cast<int>(port_.handle()), POLLIN, 0};
    const auto micros = wait.count();
    const timespec timeout{static_cast<time_t>(micros / 1000000),
                           static_cast<long>((micros % 1000000) * 1000)};
    if (::ppoll(&watched, 1, &timeout, nullptr) <= 0) return false;
    // Let the port move what arrived into its own buffer without waiting any further.
    if (watched.revents & POLLIN) port_.waitForReadyRead(0);
    if (port_.bytesAvailable() > 0) return true;
    // A hung-up or failed line reports ready at once and forever: wait anyway, don't spin.
    if (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) std::this_thread::sleep_for(wait);
    return false;
}

}  // namespace tembra
