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

// Reads one line ended by CR LF, LF or a lone CR, like a text-mode line read; a last line
// without an ending still counts. Stops as soon as the line is longer than kMaxSetupLine.
LineRead readSetupLine(QIODevice& in, QByteArray& line) {
    line.clear();
    char c = 0;
    if (!in.getChar(&c)) return LineRead::End;
    while (c != '\n' && c != '\r') {
        if (line.size() >= kMaxSetupLine) return LineRead::TooLong;
        line.append(c);
        if (!in.getChar(&c)) return LineRead::Line;
    }
    char next = 0;
    if (c == '\r' && in.getChar(&next) && next != '\n') in.ungetChar(next);
    return LineRead::Line;
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
    int lines = 0;
    QByteArray line;
    for (LineRead result; (result = readSetupLine(file, line)) != LineRead::End; ++lines) {
        if (result == LineRead::TooLong) {
            return {false,
                    QStringLiteral("Impossibile leggere %1: la riga %2 supera i %3 caratteri.")
                        .arg(path)
                        .arg(lines + 1)
                        .arg(kMaxSetupLine)};
        }
        applySetupLine(line, read);
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
