// Setup.ini: the receiver's three settings, one per line, keyed by the line's first character,
// then, when the operator chose a device for a port, a section [Ports] with keys COM1..COM4.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace tembra {

inline constexpr int kSetupPorts = 4;  // COM1..COM4, as the port list offers them

// The longest device path [Ports] keeps; a longer value is skipped on reading and refused on
// writing.
inline constexpr qsizetype kMaxPortDevice = 4095;

// What Setup.ini holds, and the port number and settings string that the list texts chose. The
// output file name is kept as raw bytes so that writing the file back reproduces it exactly,
// whatever its encoding.
struct SetupValues {
    QString portText = QStringLiteral("COM2");
    QString speedText = QStringLiteral("19200");
    QByteArray outputFile;
    int portNumber = 2;
    QString portSettings = QStringLiteral("19200,n,8,1");
    // COM<n>'s device from [Ports] (a path, or later a URL), empty for none: then the
    // environment or /dev/ttyS<n-1> decide. Raw bytes, like the output file name.
    std::array<QByteArray, kSetupPorts> portDevices{};
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
// lines with any other first character skipped. From the first section header ("[name]") on,
// lines belong to their section, so nothing there changes the three known values: of [Ports]
// (any case) the keys COM1..COM4 are read, trimmed, and anything else is skipped, a line
// beyond any limit included. A missing, unreadable or empty file, anything but a regular file
// (refused before an open that could block), or a file with a line before the sections longer
// than kMaxSetupLine, is an error and leaves `values` as they were.
SetupReadResult readSetupFile(const QString& path, SetupValues& values);

// Writes the three lines in the order 1, 2, 3, then [Ports] with the devices chosen, if any, each
// line ended by CR LF: a file without devices keeps the three-line form that older readers know.
// A device that could not be read back the same (a line break, a NUL, spaces around it, longer
// than kMaxPortDevice) is refused. The old file is replaced only once the new one is complete.
// Returns an error text, empty on success.
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
