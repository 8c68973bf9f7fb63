// Starts vantrel exactly as its main does and prints the wall-clock time (ns since the epoch)
// of the first paint of the line panel, then quits: the start-up time is that minus the time
// the caller launched it.
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "host_modules.h"
#include "main_frame.h"
#include "vantrel_app.h"
#include "vantrel_view.h"

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("%lld\n",
                        static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            std::fflush(stdout);
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    vantrel::CVantrelApp app(argc, argv);
    FirstPaint probe;
    app.initInstance(vantrel::currentWorkFolder(), vantrel::install_host_modules);
    app.mainFrame()->view()->viewport()->installEventFilter(&probe);
    const int code = app.exec();
    app.mainFrame()->view()->finish();
    return code;
}
