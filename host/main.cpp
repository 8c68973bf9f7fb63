#include <QEvent>
#include <QObject>
#include <cstdio>
#include <cstring>

#include "host_modules.h"
#include "modal_boxes.h"
#include "vant_version.h"
#include "vantrel_app.h"

namespace {

const char kUsage[] =
    "usage: vantrel [Qt options such as -platform offscreen] [COMMAND]\n"
    "       vantrel --help | --version\n"
    "\n"
    "Without a command the window opens. A command runs unattended and, with AUTO_EXIT on,\n"
    "the program closes when it ends (when Use_modem is on, a phone number comes first):\n"
    "  ADDRESSES 1                       poll the terminals\n"
    "  ADDRESSES L SOURCE DEST [COUNT]   download a PC file, up to COUNT attempts\n"
    "  ADDRESSES U [SOURCE DEST]         upload a terminal file, or the Upload cfg. list\n"
    "  ADDRESSES E FILE                  delete a file on every terminal\n"
    "  ADDRESSES M                       set the terminals' clocks from the PC's\n"
    "  ADDRESSES X PROGRAM               run a program on every terminal\n"
    "  Z SCRIPT                          run a batch script, one command a line\n"
    "ADDRESSES are terminal addresses, one character each (such as ABC).\n"
    "\n"
    "Vantcom.ini, ERR_LOG.TXT, the poll data and the ADDR_x folders are kept in the folder the\n"
    "program is started from. COMn is the device in VANTLINK_COM<n> when that is set, else the\n"
    "one chosen in Setup > Parameter (COMn in the [Ports] section of Vantcom.ini), else\n"
    "/dev/ttyS<n-1>.\n";

// Only these exact first words are the program's own; every other word is the command line
// the host examines as ever. Answered before the window system starts, so no display is needed.
bool answeredInformationRequest(int argc, char** argv) {
    if (argc < 2) return false;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("vantrel " VANT_VERSION);
        return true;
    }
    return false;
}

// Without a screen nobody sees the windows, yet painting them on every change cost an unattended
// poller more CPU than its polling. Pictures taken with grab() draw directly and still work.
class NoPaintingWithoutAScreen final : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::UpdateRequest || event->type() == QEvent::UpdateLater;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (answeredInformationRequest(argc, argv)) return 0;
    vantrel::CVantrelApp app(argc, argv);
    NoPaintingWithoutAScreen noPainting;
    if (!vantrel::operatorCanAnswer()) app.installEventFilter(&noPainting);
    app.initInstance(vantrel::currentWorkFolder(), vantrel::install_host_modules);
    return app.exec();
}
