#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

#include "command_ids.h"
#include "frame_fixture.h"
#include "log_pane.h"
#include "modal_answerer.h"
#include "modal_boxes.h"
#include "panel_painter.h"
#include "profile_file.h"

using namespace vantrel;

namespace {

class HostMainFrame : public FrameFixture {};

}  // namespace

TEST_F(HostMainFrame, ToolbarHoldsTheCommandsInOrder) {
    const int expected[] = {ID_EXEC_COLD_START, ID_SET_AUTOBOOT,  ID_SET_BAR_TABLE,
                            ID_SET_COMM_TABLE,  ID_SET_TIME_DATE, ID_SET_DEVICE_TABLE,
                            ID_INQ_DIRECTORY,   ID_EXEC_DOWNLOAD, ID_SET_EXE_SIZE,
                            ID_EXEC_POLL,       ID_EXEC_PURGE,    ID_INQ_RAM_SIZE,
                            ID_EXEC_RUN,        ID_EXEC_UPLOAD,   ID_SET_UPS_OFF,
                            ID_EXEC_WARM_START, ID_EXEC_STOP};
    const auto actions = frame->toolBar()->actions();
    ASSERT_EQ(actions.size(), std::size(expected));
    for (int i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->data().toInt(), expected[i]) << i;
        EXPECT_FALSE(actions[i]->icon().isNull());
    }
}

TEST_F(HostMainFrame, EnablingFollowsReadyAndConnectedFlags) {
    int coldStarts = 0;
    view().setCommandHandler(ID_EXEC_COLD_START, [&] { ++coldStarts; });
    view().setCommandHandler(ID_PORT_CONNECT, [] {});
    view().setCommandHandler(ID_PORT_DISCONNECT, [] {});

    EXPECT_TRUE(enabled(ID_EXEC_COLD_START));
    EXPECT_FALSE(enabled(ID_EXEC_STOP));
    EXPECT_TRUE(enabled(ID_PORT_CONNECT));
    EXPECT_FALSE(enabled(ID_PORT_DISCONNECT));
    EXPECT_FALSE(enabled(ID_EXEC_UPLOAD));  // not built here: stays disabled
    EXPECT_TRUE(enabled(ID_DLL_VERSION));

    view().setConnected(true);
    EXPECT_FALSE(enabled(ID_PORT_CONNECT));
    EXPECT_TRUE(enabled(ID_PORT_DISCONNECT));

    view().setReady(false);
    EXPECT_FALSE(enabled(ID_EXEC_COLD_START));
    EXPECT_TRUE(enabled(ID_EXEC_STOP));
    EXPECT_FALSE(enabled(ID_PORT_DISCONNECT));
    EXPECT_TRUE(enabled(ID_MESSAGE_WINDOW_SHOW));
    EXPECT_FALSE(view().runCommand(ID_EXEC_COLD_START));  // guarded even if triggered
    EXPECT_EQ(coldStarts, 0);

    frame->commandAction(ID_EXEC_STOP)->trigger();
    EXPECT_TRUE(view().state().isReady());
    EXPECT_TRUE(enabled(ID_EXEC_COLD_START));
    frame->commandAction(ID_EXEC_COLD_START)->trigger();
    EXPECT_EQ(coldStarts, 1);
    view().setConnected(false);  // no hang-up handler run at teardown
}

TEST_F(HostMainFrame, AfterStopCommandsStayHeldUntilTheStoppedOneReturns) {
    const int held[] = {ID_INQ_DIRECTORY, ID_PORT_CONNECT, ID_SETUP_PARAMETER,
                        ID_SETUP_COMMAND_LINE};
    int started = 0;
    for (int id : held) view().setCommandHandler(id, [&] { ++started; });
    view().setCommandHandler(ID_EXEC_COLD_START, [&] {
        view().setReady(false);
        frame->commandAction(ID_EXEC_STOP)->trigger();  // the ready flag is back at once
        for (int id : held) EXPECT_FALSE(enabled(id)) << id;
    });
    frame->commandAction(ID_EXEC_COLD_START)->trigger();
    for (int id : held) frame->commandAction(id)->trigger();
    EXPECT_EQ(started, 4);
}

TEST_F(HostMainFrame, CloseAsksAndOnlyYesCloses) {
    {
        ModalAnswerer no(ModalAnswerer::pressButton(QMessageBox::No));
        EXPECT_FALSE(frame->close());
        EXPECT_EQ(no.lastText(), "Exit Program?");
    }
    EXPECT_TRUE(frame->isVisible());
    view().settings().FONT_SIZE = 12;
    {
        ModalAnswerer yes(ModalAnswerer::pressButton(QMessageBox::Yes));
        EXPECT_TRUE(frame->close());
        EXPECT_EQ(yes.answered(), 1);
    }
    EXPECT_FALSE(frame->isVisible());
    // Settings are saved on the way out.
    EXPECT_EQ(ProfileFile(folder.file("Vantcom.ini")).read("MESSAGE_WINDOW", "FONT_SIZE", ""),
              "12");
}

TEST_F(HostMainFrame, CloseDuringCommandStopsItAndWaitsForIt) {
    std::vector<std::string> events;
    view().setCommandHandler(ID_EXEC_COLD_START, [&] {
        view().setReady(false);
        QTimer::singleShot(20, frame.get(), [&] { frame->close(); });
        // A terminal loop waits with the message pump until Stop sets the ready flag.
        while (!view().state().isReady()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        events.push_back(frame->isVisible() ? "stopped while open" : "stopped after close");
        view().state().status[0] = TerminalStatus::Done;  // still usable
    });
    ModalAnswerer yes(ModalAnswerer::pressButton(QMessageBox::Yes));
    frame->commandAction(ID_EXEC_COLD_START)->trigger();
    QApplication::processEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], "stopped while open");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(yes.answered(), 1);
}

// SIGTERM with a dialog or the exit question open: it is cancelled, as is every box opened
// after it, and the window closes at once; a No to the question cannot keep it open.
TEST_F(HostMainFrame, SignalEndsTheProgramWhateverIsOpen) {
    int dialogResult = -1;
    QMessageBox::StandardButton laterBox = QMessageBox::NoButton;
    view().setCommandHandler(ID_SETUP_PARAMETER, [&] {
        QDialog dialog(frame.get());
        dialogResult = runDialog(dialog);
        laterBox = showMessageBox(frame.get(), QMessageBox::Question, "vantrel", "Save?",
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    });
    for (const int command : {ID_SETUP_PARAMETER, ID_APP_EXIT}) {
        if (!frame) start();
        ModalAnswerer signal([this](QWidget*) { frame->endOnSignal("SIGTERM"); });
        view().runCommand(command);
        QApplication::processEvents();
        EXPECT_FALSE(frame->isVisible()) << command;
        setProgramEnding(false);
        frame.reset();
    }
    EXPECT_EQ(dialogResult, QDialog::Rejected);
    EXPECT_EQ(laterBox, QMessageBox::No);
}

TEST_F(HostMainFrame, WindowMenuShowsHidesAndClearsPanes) {
    auto* data = frame->dataPane();
    data->appendText("x\n");
    frame->commandAction(ID_DATA_WINDOW_CLEAR)->trigger();  // hidden: nothing cleared
    EXPECT_EQ(data->entryCount(), 1);
    frame->commandAction(ID_DATA_WINDOW_SHOW)->trigger();
    EXPECT_TRUE(data->isVisible());
    frame->commandAction(ID_DATA_WINDOW_CLEAR)->trigger();
    EXPECT_EQ(data->entryCount(), 0);

    view().reporter().report('A', "Cold Start", "", 0);
    auto* message = frame->messagePane();
    EXPECT_TRUE(message->isVisible());
    frame->commandAction(ID_MESSAGE_WINDOW_HIDE)->trigger();
    EXPECT_FALSE(message->isVisible());
    view().reporter().report('A', "Cold Start", "", 0);  // the next report shows it again
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->entryCount(), 2);
    message->close();  // its own close box only hides it
    view().reporter().report('B', "Warm start", "", 4);
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->entryCount(), 3);
}

TEST_F(HostMainFrame, FontSizeLimits) {
    auto& size = view().settings().FONT_SIZE;
    ASSERT_EQ(size, 8);
    frame->commandAction(ID_FONT_SMALLER)->trigger();
    EXPECT_EQ(size, 8);
    frame->commandAction(ID_FONT_BIG)->trigger();
    EXPECT_EQ(size, 10);
    EXPECT_EQ(frame->messagePane()->list()->font().pixelSize(), 10);
    EXPECT_EQ(frame->dataPane()->list()->font().pixelSize(), 10);
    frame->commandAction(ID_FONT_SMALLER)->trigger();
    EXPECT_EQ(size, 8);
    for (int i = 0; i < 50; ++i) frame->commandAction(ID_FONT_BIG)->trigger();
    EXPECT_EQ(size, 108);
}

TEST_F(HostMainFrame, AboutAndDllVersionBoxes) {
    {
        ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
        frame->commandAction(ID_DLL_VERSION)->trigger();
        EXPECT_EQ(ok.lastText(), "VANTLINK.DLL version 7");
        EXPECT_EQ(ok.lastTitle(), "DLL VERSION");
    }
    {
        ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
        frame->commandAction(ID_APP_ABOUT)->trigger();
        EXPECT_TRUE(ok.lastText().contains("vantrel")) << ok.lastText().toStdString();
        EXPECT_TRUE(ok.lastText().contains("1.6"));
    }
}

TEST_F(HostMainFrame, ResultBoxOnlyInCommandLineMode) {
    ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
    ok.keepAnswering();
    view().reporter().report('A', "Cold Start", "", 4);
    EXPECT_EQ(ok.answered(), 0);
    view().state().commandLineMode = true;
    view().reporter().report('A', "Cold Start", "", 4);
    EXPECT_EQ(ok.answered(), 1);
    EXPECT_TRUE(ok.lastText().startsWith("A Cold Start  Time out (terminal A"))
        << ok.lastText().toStdString();
}

namespace {

class HostStartUp : public FrameFixture {
protected:
    void SetUp() override {}
};

}  // namespace

TEST_F(HostStartUp, ErrorLogThatCannotOpenTurnsLoggingOffForThisRunOnly) {
    writeFile(folder.file("Vantcom.ini"), "[Communication]\nTerminal_type=KD24\nErrorLog=Append\n");
    std::filesystem::create_directory(folder.file("ERR_LOG.TXT"));
    ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
    start();
    EXPECT_EQ(ok.lastText(), "Error log file open error");
    EXPECT_FALSE(view().errorLogOpen());
    view().reporter().report('A', "Cold Start", "", 4);  // nothing to write to, nothing breaks
    // The operator's mode survives a save, so the next run logs again.
    ASSERT_TRUE(view().saveSettings());
    EXPECT_EQ(ProfileFile(folder.file("Vantcom.ini")).read("Communication", "ErrorLog", ""),
              "Append");
}

// Every save, the one on the way out included, tells when Vantcom.ini cannot be written.
TEST_F(HostStartUp, SettingsThatCannotBeSavedAreToldInTheMessageWindowAndTheLog) {
    writeFile(folder.file("Vantcom.ini"), "[Communication]\nTerminal_type=KD24\nErrorLog=New\n");
    std::filesystem::create_directory(folder.file("Vantcom.ini.tmp"));
    start();
    EXPECT_FALSE(view().saveSettings());
    const QString told = " Vantcom.ini cannot be written: the settings in use are not saved";
    EXPECT_TRUE(frame->messagePane()->entry(0).contains(told));
    frame->closeWithoutAsking();
    const auto log = readFile(folder.file("ERR_LOG.TXT"));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find(told.toStdString() + " \r\n"), std::string::npos) << log;
}

TEST_F(HostStartUp, StartUpLogsToTheWorkingFolder) {
    writeFile(folder.file("Vantcom.ini"), "[Communication]\nTerminal_type=KD24\nErrorLog=New\n");
    writeFile(folder.file("ERR_LOG.TXT"), "old run\r\n");
    start();
    view().reporter().report('C', "Run", "", 53);
    frame->closeWithoutAsking();
    const auto log = readFile(folder.file("ERR_LOG.TXT"));
    EXPECT_EQ(log.find("old run"), std::string::npos);
    EXPECT_NE(log.find(" Run  No program is executed\r\n"), std::string::npos);
}

TEST_F(HostStartUp, StatusBarNamesTheDeviceOfTheConfiguredComAndWhatDecidedIt) {
    writeFile(folder.file("Vantcom.ini"),
              "[Communication]\nTerminal_type=KD24\nPort=3\n[Ports]\nCOM3=/dev/ttyUSB1\n");
    start();
    EXPECT_EQ(frame->portDeviceLabel()->text(), "COM3: /dev/ttyUSB1");
    setenv("VANTLINK_COM4", "/tmp/x", 1);
    view().settings().Port = 4;
    view().saveSettings();
    unsetenv("VANTLINK_COM4");
    EXPECT_EQ(frame->portDeviceLabel()->text(), "COM4: /tmp/x (VANTLINK_COM4)");
}

TEST(HostWindowPlace, SavedPlaceIsUsedOnlyWhenItFitsAScreen) {
    const QList<QRect> screens = {QRect(0, 0, 1280, 1000), QRect(1280, 0, 1024, 768)};
    const QRect centred(190, 250, 900, 500);
    const std::pair<QRect, QRect> rows[] = {
        {QRect(1500, 100, 700, 400), QRect(1500, 100, 700, 400)},  // on the second screen
        {QRect(-500, 10, 700, 400), QRect(-500, 10, 700, 400)},    // title bar partly on one
        {QRect(), centred},                                        // nothing saved
        {QRect(40, -300, 700, 400), centred},                      // title bar off the screens
        {QRect(40, 30, 20, 10), centred},                          // absurdly small
        {QRect(1300, 0, 1800, 700), centred},                      // bigger than its screen
    };
    for (const auto& [saved, expected] : rows)
        EXPECT_EQ(windowPlace(saved, screens, centred.size()), expected) << saved.x();
}

// Opens with the whole panel in sight, scrolls when made lower, and opens again where the
// operator left it; a damaged file gives the default, and a close by the program writes nothing.
TEST_F(HostStartUp, WindowFitsThePanelScrollsAndRemembersItsPlace) {
    writeFile(folder.file("Vantcom.ini"), iniText());
    const auto open = [this] {
        frame = std::make_unique<CMainFrame>();
        frame->view()->initialUpdate(folder.path().string());
        frame->show();
        QApplication::processEvents();
    };
    open();
    auto* bar = view().verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_GE(view().viewport()->height(), panelContentHeight(view().fontMetrics()));
    frame->resize(frame->width(), frame->height() - 120);
    QApplication::processEvents();
    EXPECT_GT(bar->maximum(), 0);

    const QRect place(30, 40, 700, 420);
    frame->setGeometry(place);
    QApplication::processEvents();
    {
        ModalAnswerer yes(ModalAnswerer::pressButton(QMessageBox::Yes));
        ASSERT_TRUE(frame->close());
    }
    open();
    EXPECT_EQ(frame->geometry(), place);

    writeFile(folder.file(kWindowPlaceFile), "[MainWindow]\nx=abc\ny=1\nwidth=\nheight=9\n");
    frame->closeWithoutAsking();
    open();
    EXPECT_NE(frame->geometry(), place);
    EXPECT_EQ(frame->size(), frame->sizeHint().boundedTo(frame->screen()->availableSize()));
    frame->closeWithoutAsking();
    EXPECT_EQ(readFile(folder.file(kWindowPlaceFile)),
              "[MainWindow]\nx=abc\ny=1\nwidth=\nheight=9\n");

    // A pipe in its place would block the opening and the operator's close for ever.
    std::filesystem::remove(folder.file(kWindowPlaceFile));
    ASSERT_EQ(::mkfifo(folder.file(kWindowPlaceFile).c_str(), 0600), 0);
    open();
    ModalAnswerer yes(ModalAnswerer::pressButton(QMessageBox::Yes));
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(std::filesystem::is_fifo(folder.file(kWindowPlaceFile)));
}
