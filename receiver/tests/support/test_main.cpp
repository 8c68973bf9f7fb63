#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Windows and message boxes need no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Tests close windows and open others in one process.
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
