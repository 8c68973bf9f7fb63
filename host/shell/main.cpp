#include "vantrel_app.h"

int main(int argc, char** argv) {
    vantrel::CVantrelApp app(argc, argv);
    app.initInstance(vantrel::currentWorkFolder());
    return app.exec();
}
