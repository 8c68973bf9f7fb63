// tembra's Setup.ini as found beside the program: any file content. The values read must be in
// range, and the file written back and read again must give the same values.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "setup_file.h"

namespace {

using namespace tembra;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool sameValues(const SetupValues& a, const SetupValues& b) {
    return a.portText == b.portText && a.speedText == b.speedText && a.outputFile == b.outputFile &&
           a.portNumber == b.portNumber && a.portSettings == b.portSettings &&
           a.portDevices == b.portDevices;
}

void checkRanges(const SetupValues& values) {
    check(values.portNumber >= 1 && values.portNumber <= 4);
    check(values.portSettings == QLatin1String("2400,n,8,1") ||
          values.portSettings == QLatin1String("9600,n,8,1") ||
          values.portSettings == QLatin1String("19200,n,8,1") ||
          values.portSettings == QLatin1String("38400,n,8,1"));
    // A value ends at its line's end.
    for (const QString& text : {values.portText, values.speedText})
        check(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')));
    check(!values.outputFile.contains('\r') && !values.outputFile.contains('\n'));
    check(values.outputFile.size() < kMaxSetupLine);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Memory-backed when the system has it: writing the file back syncs it to disk each time.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/fuzz_receiver_setup_XXXXXX")
                                    : QDir::tempPath() +
                                          QStringLiteral("/fuzz_receiver_setup_XXXXXX"));
    if (!folder.isValid()) abort();
    static const QString path = folder.filePath(QStringLiteral("Setup.ini"));
    static const QString copy = folder.filePath(QStringLiteral("written/Setup.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
        if (file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size))
            abort();
    }

    SetupValues read;
    const SetupReadResult result = readSetupFile(path, read);
    check(result.ok == result.error.isEmpty());
    if (!result.ok) {
        // A file that cannot be used leaves the values as they were.
        check(sameValues(read, SetupValues()));
        check(size == 0 || size > static_cast<std::size_t>(kMaxSetupLine));
        return 0;
    }
    checkRanges(read);

    check(writeSetupFile(copy, read).isEmpty());
    SetupValues again;
    const SetupReadResult reread = readSetupFile(copy, again);
    check(reread.ok);
    // The file holds the texts; the port number and settings follow from them. An unknown text
    // keeps the number an earlier line chose, which the file cannot carry: then the written file
    // gives what its texts give.
    check(again.portText == read.portText && again.speedText == read.speedText &&
          again.outputFile == read.outputFile && again.portDevices == read.portDevices);
    SetupValues fromTexts;
    fromTexts.portText = read.portText;
    fromTexts.speedText = read.speedText;
    fromTexts.outputFile = read.outputFile;
    choosePortFromTexts(fromTexts);
    check(sameValues(again, fromTexts));
    if (portNumberFor(read.portText)) check(again.portNumber == read.portNumber);
    if (portSettingsFor(read.speedText)) check(again.portSettings == read.portSettings);
    return 0;
}
