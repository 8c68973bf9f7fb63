// vantrel run as a process, unattended, in a working folder against a simulated line.
#pragma once

#include <QProcess>
#include <QStringList>
#include <string>

struct VantrelRun {
    bool ended = false;  // it ended by itself within the time limit
    int exitCode = -1;   // -1 when it crashed or was stopped
    std::string output;  // what it wrote to standard error
};

// Runs the vantrel the build made (VANTREL_PATH) offscreen in folder, with COM1 on link.
inline VantrelRun runVantrelProcess(const std::string& folder, const std::string& link,
                                    const QStringList& arguments, int limitMs) {
    VantrelRun run;
    QProcess vantrel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("VANTLINK_COM1", QString::fromStdString(link));
    vantrel.setProcessEnvironment(environment);
    vantrel.setWorkingDirectory(QString::fromStdString(folder));
    vantrel.start(VANTREL_PATH, arguments);
    if (!vantrel.waitForStarted(10000)) return run;
    if (!vantrel.waitForFinished(limitMs)) {
        vantrel.kill();
        vantrel.waitForFinished(5000);
        run.output = vantrel.readAllStandardError().toStdString();
        return run;
    }
    run.ended = true;
    run.exitCode = vantrel.exitStatus() == QProcess::NormalExit ? vantrel.exitCode() : -1;
    run.output = vantrel.readAllStandardError().toStdString();
    return run;
}
