#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <functional>
#include <memory>

#include "main_frame.h"
#include "temp_folder.h"
#include "vantrel_view.h"

// A main window started in a fresh working folder whose Vantcom.ini names a terminal type.
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(folder.file("Vantcom.ini"), iniText());
        start();
    }
    void TearDown() override {
        if (frame) frame->closeWithoutAsking();
        frame.reset();
    }
    virtual std::string iniText() const {
        return "[Communication]\nTerminal_type=KD35\nAddress=ABC\n";
    }
    void start() {
        frame = std::make_unique<vantrel::CMainFrame>();
        if (installFeatures) installFeatures(*frame->view());
        frame->view()->initialUpdate(folder.path().string());
        frame->resize(800, 400);
        frame->show();
        QApplication::processEvents();
    }
    vantrel::CVantrelView& view() { return *frame->view(); }
    bool enabled(int id) {
        frame->updateCommandStates();
        return frame->commandAction(id)->isEnabled();
    }

    TempFolder folder;
    std::unique_ptr<vantrel::CMainFrame> frame;
    // The command handlers of the features a test needs, installed as the program does.
    std::function<void(vantrel::HostServices&)> installFeatures;
};
