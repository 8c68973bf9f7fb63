#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    const QString programDir = QCoreApplication::applicationDirPath();
    tembra::Form1Options options;
    options.setup = tembra::locateSetupFile(
        programDir, QFileInfo(programDir).isWritable(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));

    tembra::Form1 form(options);
    QObject::connect(&form, &tembra::Form1::programEnding, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    if (!form.startUp()) return 1;
    form.show();
    return app.exec();
}
