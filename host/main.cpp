#include "host_modules.h"
#include "vantrel_app.h"

int main(int argc, char** argv) {
    vantrel::CVantrelApp app(argc, argv);
    app.initInstance(vantrel::currentWorkFolder(), vantrel::install_host_modules);
    return app.exec();
}
