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

// Runs the vantrel the build made (VANTREL_PATH) offscreen in folder, with COM1 on link; with
// no link, no VANTLINK_COM<n> at all: the settings decide.
inline VantrelRun runVantrelProcess(const std::string& folder, const std::string& link,
                                    const QStringList& arguments, int limitMs) {
    VantrelRun run;
    QProcess vantrel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (int port = 0; port <= 4; ++port) environment.remove(QString("VANTLINK_COM%1").arg(port));
    if (!link.empty()) environment.insert("VANTLINK_COM1", QString::fromStdString(link));
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
