#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>

#include "form1.h"
#include "vant_version.h"

namespace {

const char kUsage[] =
    "usage: tembra [Qt options such as -platform offscreen]\n"
    "       tembra --help | --version\n"
    "\n"
    "Receives the text lines one terminal sends on a serial line and stores them in an output\n"
    "file until a line holds END. Setup.ini holds the port, the speed and the output file:\n"
    "beside the program when its folder is writable, else $XDG_CONFIG_HOME/tembra/Setup.ini;\n"
    "until one is saved there, the installed default is read. Port COMn is the device named\n"
    "by TEMBRA_COM<n>, else the one chosen in the window (key COM<n> of the section [Ports]\n"
    "of Setup.ini), else /dev/ttyS<n-1>.\n";

// Answered before any window system is needed, so they work without a display.
bool answeredInformationRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("tembra " VANT_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (answeredInformationRequest(argc, argv)) return 0;
    QApplication app(argc, argv);

    const QString programDir = QCoreApplication::applicationDirPath();
    tembra::Form1Options options;
    options.setup = tembra::locateSetupFile(
        programDir, QFileInfo(programDir).isWritable(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(TEMBRA_DEFAULTS_FROM_PROGRAM))));

    tembra::Form1 form(options);
    QObject::connect(&form, &tembra::Form1::programEnding, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    if (!form.startUp()) return 1;
    form.show();
    return app.exec();
}
