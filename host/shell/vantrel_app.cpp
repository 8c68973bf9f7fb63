#include "vantrel_app.h"

#include <unistd.h>

#include <climits>
#include <csignal>

#include "host_services.h"
#include "link_glue.h"
#include "main_frame.h"
#include "result_reporter.h"
#include "termination_signals.h"
#include "vant_version.h"
#include "vantrel_doc.h"
#include "vantrel_view.h"

namespace vantrel {

CVantrelApp::CVantrelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("vantrel");
    setApplicationVersion(VANT_VERSION);
    setOrganizationName("Local AppWizard-Generated Applications");
    setQuitOnLastWindowClosed(true);
    // Taken over before the window exists: a request that comes during start-up waits in the
    // pipe until the event loop runs.
    terminationSignals_ = new TerminationSignals(this);
}

CVantrelApp::~CVantrelApp() {
    removeMessagePump();
    frame_.reset();
}

void CVantrelApp::initInstance(const std::string& workFolder,
                               const std::function<void(HostServices&)>& installFeatures) {
    installMessagePump();
    document_ = std::make_unique<CVantrelDoc>();
    frame_ = std::make_unique<CMainFrame>();
    installFeatures(*frame_->view());
    connect(terminationSignals_, &TerminationSignals::requested, frame_.get(),
            [frame = frame_.get()](int signalNumber) {
                frame->endOnSignal(signalNumber == SIGINT ? "SIGINT" : "SIGTERM");
            });
    frame_->view()->initialUpdate(workFolder);
    frame_->show();
}

std::string currentWorkFolder() {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) return ".";
    std::string folder(buffer);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace vantrel
