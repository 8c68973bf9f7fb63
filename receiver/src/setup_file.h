// Setup.ini: the receiver's three settings, one per line, keyed by the line's first character.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tembra {

// What Setup.ini holds, and the port number and settings string that the list texts chose. The
// output file name is kept as raw bytes so that writing the file back reproduces it exactly,
// whatever its encoding.
struct SetupValues {
    QString portText = QStringLiteral("COM2");
    QString speedText = QStringLiteral("19200");
    QByteArray outputFile;
    int portNumber = 2;
    QString portSettings = QStringLiteral("19200,n,8,1");
};

// Takes the port number and settings string from the list texts when these are known values;
// leaves them as they are otherwise.
void choosePortFromTexts(SetupValues& values);

struct SetupReadResult {
    bool ok = false;
    QString error;  // why the file could not be used, when !ok
};

// The longest line taken from the file: a key and a full path. A longer one means the file is
// not a settings file and is not read further.
inline constexpr qsizetype kMaxSetupLine = 1 + 4096;

// Reads the file at `path` into `values`: every known line, later lines overriding earlier ones,
// lines with any other first character skipped. A missing, unreadable or empty file, anything
// but a regular file (refused before an open that could block), or a file with a line longer
// than kMaxSetupLine, is an error and leaves `values` as they were.
SetupReadResult readSetupFile(const QString& path, SetupValues& values);

// Writes the three lines in the order 1, 2, 3, each ended by CR LF. The old file is replaced
// only once the new one is complete. Returns an error text, empty on success.
QString writeSetupFile(const QString& path, const SetupValues& values);

// COM1..COM4 (exact, case-sensitive) give 1..4; any other text gives nothing.
std::optional<int> portNumberFor(const QString& portText);

// "2400", "9600", "19200" and "38400" give their "<speed>,n,8,1" string; others nothing.
std::optional<QString> portSettingsFor(const QString& speedText);

// Where Setup.ini is read and written.
struct SetupLocation {
    QString readPath;
    QString writePath;
};

// Written beside the program when its folder is writable, otherwise to <configHome>/tembra/.
// Read from where it is written once it exists there; until then from beside the program, and
// then the installed read-only default in `defaultsDir`.
SetupLocation locateSetupFile(const QString& programDir, bool programDirWritable,
                              const QString& configHome, const QString& defaultsDir);

}  // namespace tembra
