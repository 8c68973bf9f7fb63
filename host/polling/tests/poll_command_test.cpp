#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "command_ids.h"
#include "host_modules.h"
#include "host_services.h"
#include "link_glue.h"
#include "log_pane.h"
#include "main_frame.h"
#include "modal_answerer.h"
#include "record_text.h"
#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_view.h"
#include "window_on_line.h"

using namespace vantrel;

namespace {

// Execute > Poll in the real window with every part of the host installed, against termsim
// holding five records for A; B is silent. The line is reached through Connect / Dial.
class HostPollingCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        sim = simlaunch::SimProcess::start(
            folder.file("com1"), {"--baud", "38400", "--terminal", simTerminalA()}, &error);
        ASSERT_TRUE(sim) << error;
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\nPort=1\nBaudRate=38400\nTerminal_type=KD35\nAddress=AB\n"
                  "Time_out=100\n[POLL]\nToken_file=No\n" +
                      pollingPeriod());
        window = std::make_unique<WindowOnLine>(folder.file("com1"), folder.path().string());
        frame = window->frame.get();
        // A test whose Stop never comes ends polling here and fails on what it finds.
        QTimer::singleShot(20000, frame, [this] { view().stop(); });
    }
    void TearDown() override { window.reset(); }
    virtual std::string simTerminalA() { return "A,generate=5x24"; }
    virtual std::string pollingPeriod() { return "Polling_Period=Continuous\n"; }
    CVantrelView& view() { return *frame->view(); }
    bool enabled(int id) {
        frame->updateCommandStates();
        return frame->commandAction(id)->isEnabled();
    }
    // Runs the check every few milliseconds while the command runs (the line's waits let the
    // timer through), until it returns true.
    void whilePolling(std::function<bool()> check) {
        auto* timer = new QTimer(frame);
        QObject::connect(timer, &QTimer::timeout, [timer, check] {
            if (check()) timer->stop();
        });
        timer->start(10);
    }

    TempFolder folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::unique_ptr<WindowOnLine> window;
    CMainFrame* frame = nullptr;
};

TEST_F(HostPollingCommand, PollsUntilStopWithOnlyStopEnabledMeanwhile) {
    bool pollEnabled = true, stopEnabled = false;
    whilePolling([&] {
        if (frame->dataPane()->entryCount() < 5) return false;
        pollEnabled = enabled(ID_EXEC_POLL);
        stopEnabled = enabled(ID_EXEC_STOP);
        frame->commandAction(ID_EXEC_STOP)->trigger();
        return true;
    });
    EXPECT_TRUE(view().runCommand(ID_EXEC_POLL));
    EXPECT_FALSE(pollEnabled);
    EXPECT_TRUE(stopEnabled);
    EXPECT_TRUE(enabled(ID_EXEC_POLL));
    EXPECT_FALSE(enabled(ID_EXEC_STOP));
    EXPECT_TRUE(view().state().connected);
    EXPECT_TRUE(frame->dataPane()->isVisible());
    EXPECT_EQ(frame->dataPane()->entryCount(), 5);
    EXPECT_TRUE(frame->dataPane()->entry(0).startsWith("A A1-"));
    const std::string data = readFile(folder.file("POLL.DAT"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 5);
    EXPECT_EQ(data.substr(0, 5), "A A1-");
    EXPECT_EQ(view().state().status[0], TerminalStatus::Addressed);  // no data left
    EXPECT_EQ(view().state().lastDataTime[0].size(), 10u);
}

TEST_F(HostPollingCommand, StartButtonStartsPollingAndStopsIt) {
    auto doubleClickStartButton = [this] {
        const QPointF spot(90, 75);
        QMouseEvent click(QEvent::MouseButtonDblClick, spot, view().viewport()->mapToGlobal(spot),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view().viewport(), &click);
    };
    bool stopped = false;
    whilePolling([&] {
        if (frame->dataPane()->entryCount() < 1) return false;
        doubleClickStartButton();
        stopped = true;
        return true;
    });
    doubleClickStartButton();  // runs the whole command
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(view().state().isReady());
    EXPECT_EQ(view().state().panelMode, PanelMode::Polling);
}

TEST_F(HostPollingCommand, ProgramClosedWhilePollingEndsItWithoutLosingRecords) {
    whilePolling([&] {
        if (frame->dataPane()->entryCount() < 5) return false;
        frame->closeWithoutAsking();
        return true;
    });
    view().runCommand(ID_EXEC_POLL);
    QApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
    const std::string data = readFile(folder.file("POLL.DAT"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 5);
}

// A record holding a CR, a NUL and what looks like a record of B, from the real line.
class HostPollingRecordBytes : public HostPollingCommand {
protected:
    static constexpr char kRecord[] = "real\r\nB forged\0tail";
    std::string simTerminalA() override {
        writeFile(folder.file("records"), "real\\r\\nB forged\\0tail\n");
        return "A,escaped-records=" + folder.file("records");
    }
    std::string pollingPeriod() override {
        return "Polling_Period=ExistWhenPeriodNoData\nPoll_Max_Wait_Time=1\n";
    }
};

TEST_F(HostPollingRecordBytes, EveryByteIsStoredOnOneLineOfItsAddress) {
    EXPECT_TRUE(view().runCommand(ID_EXEC_POLL));
    const std::string data = readFile(folder.file("POLL.DAT"));
    ASSERT_EQ(std::count(data.begin(), data.end(), '\n'), 1) << data;
    ASSERT_EQ(std::count(data.begin(), data.end(), '\r'), 1) << data;
    ASSERT_TRUE(data.starts_with("A ") && data.ends_with("\r\n")) << data;
    EXPECT_EQ(opscore::record_from_line_text(data.substr(2, data.size() - 4)),
              std::string(kRecord, sizeof kRecord - 1));
    ASSERT_EQ(frame->dataPane()->entryCount(), 1);
    EXPECT_EQ(frame->dataPane()->entry(0).toStdString(), data.substr(0, data.size() - 2));
}

}  // namespace
