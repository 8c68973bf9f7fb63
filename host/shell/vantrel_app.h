#pragma once

#include <QApplication>
#include <functional>
#include <memory>
#include <string>

namespace vantrel {

class CMainFrame;
class CVantrelDoc;
class HostServices;
class TerminationSignals;

// The application: creates the document and the main window, runs the start-up of the view
// and installs the link library's message pump for the whole run. SIGTERM and SIGINT close
// the main window without the exit question: a running command stops as Stop makes it, the
// line is closed and the program ends with status 0.
class CVantrelApp : public QApplication {
    Q_OBJECT
public:
    CVantrelApp(int& argc, char** argv);
    ~CVantrelApp() override;

    // Start-up up to the shown main window; workFolder is where Vantcom.ini lives. The
    // features install their command handlers before the view's initial update.
    void initInstance(const std::string& workFolder,
                      const std::function<void(HostServices&)>& installFeatures);
    CMainFrame* mainFrame() const { return frame_.get(); }

private:
    std::unique_ptr<CVantrelDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    TerminationSignals* terminationSignals_ = nullptr;
};

// The working folder at start-up, without a trailing '/'.
std::string currentWorkFolder();

}  // namespace vantrel
