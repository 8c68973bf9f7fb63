#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// GUI tests never need a display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("vantrel");
    return RUN_ALL_TESTS();
}
