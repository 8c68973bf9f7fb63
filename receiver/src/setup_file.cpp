#include "setup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <array>
#include <cerrno>
#include <cstring>

namespace tembra {

namespace {

enum class LineRead { Line, End, TooLong };

// A key line of [Ports]: the key, "=", a path of up to kMaxPortDevice bytes, and some room for
// spaces around them.
constexpr qsizetype kMaxSectionLine = kMaxPortDevice + 64;

// Reads one line ended by CR LF, LF or a lone CR, like a text-mode line read; a last line
// without an ending still counts. A line longer than `limit` stops the read at once, or, with
// `skipLong`, is read to its end and dropped.
LineRead readSetupLine(QIODevice& in, QByteArray& line, qsizetype limit, bool skipLong) {
    line.clear();
    bool tooLong = false;
    char c = 0;
    if (!in.getChar(&c)) return LineRead::End;
    while (c != '\n' && c != '\r') {
        if (line.size() < limit) {
            line.append(c);
        } else if (!skipLong) {
            return LineRead::TooLong;
        } else {
            tooLong = true;
        }
        if (!in.getChar(&c)) return tooLong ? LineRead::TooLong : LineRead::Line;
    }
    char next = 0;
    if (c == '\r' && in.getChar(&next) && next != '\n') in.ungetChar(next);
    return tooLong ? LineRead::TooLong : LineRead::Line;
}

// The descriptor of path opened for reading, or -1 with why in error: anything but a regular
// file is refused before any open that could block (a FIFO's waits for a writer for ever, a
// folder has no lines). Looked at again on what was opened: the path may have changed.
int openRegularFile(const QString& path, QString& error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (S_ISREG(info.st_mode)) {
        const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        ::close(fd);
    }
    error = S_ISDIR(info.st_mode) ? QStringLiteral("è una cartella")
                                  : QStringLiteral("non è un file normale");
    return -1;
}

void applySetupLine(const QByteArray& line, SetupValues& values) {
    if (line.isEmpty()) return;
    const QByteArray value = line.mid(1);
    switch (line.at(0)) {
        case '1':
            values.portText = QString::fromUtf8(value);
            if (const auto port = portNumberFor(values.portText)) values.portNumber = *port;
            break;
        case '2':
            values.speedText = QString::fromUtf8(value);
            if (const auto settings = portSettingsFor(values.speedText)) {
                values.portSettings = *settings;
            }
            break;
        case '3':
            values.outputFile = value;
            break;
        default:
            break;
    }
}

// The name of a "[name]" line, trimmed; nothing when the line is no section header.
std::optional<QByteArray> sectionName(const QByteArray& line) {
    const QByteArray text = line.trimmed();
    const qsizetype close = text.indexOf(']');
    if (!text.startsWith('[') || close < 0) return std::nullopt;
    return text.mid(1, close - 1).trimmed();
}

QByteArray portKey(int port) {
    return "COM" + QByteArray::number(port);
}

// A device that reads back as written: a whole line's value, trimmed, that a path can hold.
bool isStorableDevice(const QByteArray& device) {
    return device.size() <= kMaxPortDevice && device == device.trimmed() &&
           !device.contains('\0') && !device.contains('\r') && !device.contains('\n');
}

void applyPortLine(const QByteArray& line, SetupValues& values) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) return;
    const QByteArray key = line.left(equals).trimmed();
    const QByteArray device = line.mid(equals + 1).trimmed();
    for (int port = 1; port <= kSetupPorts; ++port) {
        if (key.compare(portKey(port), Qt::CaseInsensitive) == 0 && isStorableDevice(device)) {
            values.portDevices[port - 1] = device;
        }
    }
}

}  // namespace

void choosePortFromTexts(SetupValues& values) {
    if (const auto port = portNumberFor(values.portText)) values.portNumber = *port;
    if (const auto settings = portSettingsFor(values.speedText)) values.portSettings = *settings;
}

SetupReadResult readSetupFile(const QString& path, SetupValues& values) {
    QString why;
    const int fd = openRegularFile(path, why);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        return {false, QStringLiteral("Impossibile leggere %1: %2")
                           .arg(path, fd < 0 ? why : file.errorString())};
    }
    SetupValues read = values;
    enum class Section { None, Ports, Other } section = Section::None;
    int lines = 0;
    QByteArray line;
    for (;;) {
        const bool inSection = section != Section::None;
        const LineRead result =
            readSetupLine(file, line, inSection ? kMaxSectionLine : kMaxSetupLine, inSection);
        if (result == LineRead::End) break;
        ++lines;
        if (result == LineRead::TooLong) {
            if (inSection) continue;  // a section's own line, never the file's
            return {false,
                    QStringLiteral("Impossibile leggere %1: la riga %2 supera i %3 caratteri.")
                        .arg(path)
                        .arg(lines)
                        .arg(kMaxSetupLine)};
        }
        if (const auto name = sectionName(line)) {
            section =
                name->compare("Ports", Qt::CaseInsensitive) == 0 ? Section::Ports : Section::Other;
        } else if (section == Section::None) {
            applySetupLine(line, read);
        } else if (section == Section::Ports) {
            applyPortLine(line, read);
        }
    }
    if (file.error() != QFileDevice::NoError) {
        return {false, QStringLiteral("Impossibile leggere %1: %2").arg(path, file.errorString())};
    }
    if (lines == 0) return {false, QStringLiteral("Il file %1 è vuoto.").arg(path)};
    values = read;
    return {true, {}};
}

QString writeSetupFile(const QString& path, const SetupValues& values) {
    QByteArray text;
    text += '1' + values.portText.toUtf8() + "\r\n";
    text += '2' + values.speedText.toUtf8() + "\r\n";
    text += '3' + values.outputFile + "\r\n";
    QByteArray ports;
    for (int port = 1; port <= kSetupPorts; ++port) {
        const QByteArray& device = values.portDevices[port - 1];
        if (device.isEmpty()) continue;
        if (!isStorableDevice(device)) {
            return QStringLiteral(
                       "Impossibile scrivere %1: il dispositivo di COM%2 non è un "
                       "percorso valido.")
                .arg(path)
                .arg(port);
        }
        ports += portKey(port) + '=' + device + "\r\n";
    }
    if (!ports.isEmpty()) text += "[Ports]\r\n" + ports;

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("Impossibile scrivere %1: la cartella %2 non si può creare.")
            .arg(path, folder);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        return QStringLiteral("Impossibile scrivere %1: %2").arg(path, file.errorString());
    }
    return {};
}

std::optional<int> portNumberFor(const QString& portText) {
    static const std::array<QString, 4> names = {"COM1", "COM2", "COM3", "COM4"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (portText == names[i]) return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

std::optional<QString> portSettingsFor(const QString& speedText) {
    static const std::array<QString, 4> speeds = {"2400", "9600", "19200", "38400"};
    for (const QString& speed : speeds) {
        if (speedText == speed) return speed + QStringLiteral(",n,8,1");
    }
    return std::nullopt;
}

SetupLocation locateSetupFile(const QString& programDir, bool programDirWritable,
                              const QString& configHome, const QString& defaultsDir) {
    const QString besideProgram = QDir(programDir).filePath(QStringLiteral("Setup.ini"));
    const QString inConfig = QDir(configHome).filePath(QStringLiteral("tembra/Setup.ini"));
    const QString installedDefault = QDir(defaultsDir).filePath(QStringLiteral("Setup.ini"));
    QStringList readOrder;
    if (!programDirWritable) readOrder << inConfig;
    readOrder << besideProgram << installedDefault;
    const QString writePath = programDirWritable ? besideProgram : inConfig;
    for (const QString& candidate : readOrder) {
        if (QFileInfo::exists(candidate)) return {candidate, writePath};
    }
    // Nothing to read: the error names the file the install should have brought.
    return {installedDefault, writePath};
}

}  // namespace tembra
