#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#ifndef VANTREL_TESTS_RUN_THE_PROGRAM
#include "modal_boxes.h"
#endif

// GUI tests never need a display.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("vantrel");
#ifndef VANTREL_TESTS_RUN_THE_PROGRAM
    // The tests answer every box they open, as an operator would.
    vantrel::setOperatorCanAnswer(true);
#endif
    return RUN_ALL_TESTS();
}
