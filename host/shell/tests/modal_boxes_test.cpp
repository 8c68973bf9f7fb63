#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>

#include "frame_fixture.h"
#include "log_pane.h"
#include "modal_boxes.h"
#include "result_reporter.h"
#include "terminal_type_dlg.h"

using namespace vantrel;

namespace {

// A run nobody can answer boxes in; the texts that would have been shown are kept.
class HostModalBoxesNoOperator : public ::testing::Test {
protected:
    void SetUp() override {
        setOperatorCanAnswer(false);
        setUnansweredBoxSink([this](const QString& text) { texts << text; });
    }
    void TearDown() override {
        setUnansweredBoxSink({});
        setOperatorCanAnswer(true);
    }
    QStringList texts;
};

}  // namespace

TEST(HostModalBoxes, OnlyPlatformsWithoutAScreenLeaveBoxesUnanswered) {
    EXPECT_FALSE(platformHasScreen("offscreen"));
    EXPECT_FALSE(platformHasScreen("minimal"));
    EXPECT_TRUE(platformHasScreen("xcb"));
    EXPECT_TRUE(platformHasScreen("wayland"));
}

TEST_F(HostModalBoxesNoOperator, ABoxAnswersWithItsDefaultButtonAndItsTextGoesToStderr) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(showMessageBox(nullptr, QMessageBox::Critical, "vantrel", "COM1 open error"),
              QMessageBox::Ok);

    const auto yesNo = QMessageBox::Yes | QMessageBox::No;
    EXPECT_EQ(showMessageBox(nullptr, QMessageBox::Question, "vantrel", "Exit Program?", yesNo,
                             QMessageBox::No),
              QMessageBox::No);
    EXPECT_EQ(showMessageBox(nullptr, QMessageBox::Question, "vantrel", "Go on?", yesNo),
              QMessageBox::Yes);
    showMessageBox(nullptr, QMessageBox::NoIcon, "Can't found this file", "JOBS.TXT");
    QMessageBox shownAlready(QMessageBox::NoIcon, "vantrel", "A Poll  Time out", QMessageBox::Ok);
    EXPECT_EQ(runMessageBox(shownAlready, BoxEcho::AlreadyInMessageWindow), QMessageBox::Ok);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("COM1 open error\n"), std::string::npos) << printed;
    // The message window wrote that one to standard error already: once is enough.
    EXPECT_EQ(printed.find("Time out"), std::string::npos) << printed;
    EXPECT_EQ(texts, QStringList({"COM1 open error", "Exit Program?", "Go on?",
                                  "Can't found this file: JOBS.TXT"}));
}

TEST_F(HostModalBoxesNoOperator, ADialogTakesItsDefaultAndAFileDialogChoosesNothing) {
    const auto choice = CTerminalTypeDlg::ask({1, 3}, nullptr);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->terminalType, 3);
    EXPECT_EQ(choice->useDefaultDelays, 1);

    // A default button that refuses to close the dialog leaves it rejected.
    QDialog refusing;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &refusing);
    int pressed = 0;
    QObject::connect(buttons, &QDialogButtonBox::accepted, [&pressed] { ++pressed; });
    EXPECT_EQ(runDialog(refusing), QDialog::Rejected);
    EXPECT_EQ(pressed, 1);

    QFileDialog files;
    EXPECT_EQ(runDialog(files), QDialog::Rejected);
}

class HostModalBoxesInWindow : public FrameFixture {};

TEST_F(HostModalBoxesInWindow, AnUnansweredBoxIsShownInTheMessageWindow) {
    setOperatorCanAnswer(false);
    showMessageBox(frame.get(), QMessageBox::Warning, "vantrel", "Error log file open error");
    setOperatorCanAnswer(true);
    ASSERT_EQ(frame->messagePane()->entryCount(), 1);
    EXPECT_EQ(frame->messagePane()->entry(0), "Error log file open error");
    EXPECT_TRUE(frame->messagePane()->isVisible());
}

namespace {

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

// Unattended, standard error is the only record of the run: every message window line goes
// there once, whether a report or an unanswered box wrote it, and a result box shown for a
// reported line does not repeat it.
TEST_F(HostModalBoxesInWindow, UnattendedMessageWindowLinesReachStandardErrorOnce) {
    view().state().commandLineMode = true;
    view().settings().SHOW_ERROR_BOX = true;
    setOperatorCanAnswer(false);
    testing::internal::CaptureStderr();
    view().reporter().report(' ', "no such device: /dev/ttyUSB9", "", kNoteCode);
    view().reporter().report('A', "Poll", "", 4);
    showMessageBox(frame.get(), QMessageBox::Critical, "vantrel", "COM1 open error");
    const std::string printed = testing::internal::GetCapturedStderr();
    setOperatorCanAnswer(true);

    EXPECT_EQ(occurrences(printed, "no such device: /dev/ttyUSB9"), 1) << printed;
    EXPECT_EQ(occurrences(printed, "Time out"), 1) << printed;
    EXPECT_EQ(occurrences(printed, "COM1 open error"), 1) << printed;
    EXPECT_EQ(occurrences(printed, "vantrel: "), 3) << printed;
    EXPECT_NE(printed.find("/dev/ttyUSB9\n"), std::string::npos) << printed;
    EXPECT_EQ(frame->messagePane()->entryCount(), 3);

    // With an operator at the window, standard error stays quiet.
    view().state().commandLineMode = false;
    testing::internal::CaptureStderr();
    view().reporter().report('B', "Poll", "", 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("vantrel: "), std::string::npos);
    EXPECT_EQ(frame->messagePane()->entryCount(), 4);
}
