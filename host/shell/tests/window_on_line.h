#pragma once

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "host_modules.h"
#include "link_glue.h"
#include "main_frame.h"
#include "vantrel_view.h"

// The host's window with every module installed, reaching COM1 at the given path, its settings
// read from workFolder. The line's waits run the window, as they do in the application.
class WindowOnLine {
public:
    WindowOnLine(const std::string& com1, const std::string& workFolder) {
        setenv("VANTLINK_COM1", com1.c_str(), 1);
        vantrel::installMessagePump();
        frame = std::make_unique<vantrel::CMainFrame>();
        vantrel::install_host_modules(*frame->view());
        frame->view()->initialUpdate(workFolder);
        frame->show();
        QApplication::processEvents();
    }
    ~WindowOnLine() {
        frame->closeWithoutAsking();
        frame.reset();
        vantrel::removeMessagePump();
        unsetenv("VANTLINK_COM1");
    }
    WindowOnLine(const WindowOnLine&) = delete;
    WindowOnLine& operator=(const WindowOnLine&) = delete;

    std::unique_ptr<vantrel::CMainFrame> frame;
};
