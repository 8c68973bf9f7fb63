#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <set>

#include "command_ids.h"
#include "frame_fixture.h"
#include "panel_painter.h"

using namespace vantrel;

TEST(HostPanelHitTest, StartButtonAndTerminalAreas) {
    using Kind = PanelHit::Kind;
    EXPECT_EQ(hitTestPanel({86, 71}, 3).kind, Kind::StartButton);
    EXPECT_EQ(hitTestPanel({99, 79}, 3).kind, Kind::StartButton);
    EXPECT_EQ(hitTestPanel({100, 79}, 3).kind, Kind::Nothing);
    EXPECT_EQ(hitTestPanel({86, 80}, 3).kind, Kind::Nothing);

    EXPECT_EQ(hitTestPanel({150, 50}, 3).kind, Kind::Nothing);  // x must be above 150
    EXPECT_EQ(hitTestPanel({151, 28}, 3).index, 0);
    EXPECT_EQ(hitTestPanel({197, 88}, 3).index, 0);
    EXPECT_EQ(hitTestPanel({198, 50}, 3).kind, Kind::Nothing);  // the gap between pictures
    EXPECT_EQ(hitTestPanel({220, 50}, 3).index, 1);
    EXPECT_EQ(hitTestPanel({290, 27}, 3).kind, Kind::Nothing);
    EXPECT_EQ(hitTestPanel({290, 89}, 3).kind, Kind::Nothing);
    EXPECT_EQ(hitTestPanel({290, 60}, 3).index, 2);
    EXPECT_EQ(hitTestPanel({360, 60}, 3).kind, Kind::Nothing);  // no fourth address
}

namespace {

class HostView : public FrameFixture {
protected:
    void doubleClick(QPoint at, Qt::MouseButton button) {
        QWidget* target = view().viewport();
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(at),
                          target->mapToGlobal(QPointF(at)), button, button, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};

}  // namespace

TEST_F(HostView, DoubleClicksSelectCycleKindsAndStart) {
    auto& state = view().state();
    doubleClick({170, 50}, Qt::LeftButton);
    EXPECT_EQ(state.selection[0], 0);
    doubleClick({170, 50}, Qt::LeftButton);
    EXPECT_EQ(state.selection[0], 1);

    state.kind[1] = 3;
    doubleClick({240, 50}, Qt::RightButton);
    EXPECT_EQ(state.kind[1], 4);
    doubleClick({240, 50}, Qt::RightButton);
    EXPECT_EQ(state.kind[1], 0);

    int polls = 0;
    view().setCommandHandler(ID_EXEC_POLL, [&] { ++polls; });
    doubleClick({90, 75}, Qt::LeftButton);
    EXPECT_EQ(polls, 1);
    view().setReady(false);  // polling runs: the start button stops it
    doubleClick({90, 75}, Qt::LeftButton);
    EXPECT_EQ(polls, 1);
    EXPECT_TRUE(state.isReady());
}

TEST_F(HostView, ManyTerminalsScrollSideways) {
    view().settings().Address = "ABCDEFGHIJKL";
    view().reloadSettings();  // the file still says ABC
    EXPECT_EQ(view().settings().Address, "ABC");
    view().settings().Address = "ABCDEFGHIJKL";
    frame->resize(700, 400);
    QApplication::processEvents();
    view().resize(view().width() + 1, view().height());  // a size change recomputes
    QApplication::processEvents();
    auto* bar = view().horizontalScrollBar();
    EXPECT_EQ(bar->maximum(), 990 - view().viewport()->width());
    EXPECT_EQ(bar->singleStep(), 70);
}

TEST_F(HostView, PaintingConsumesOneShotPhases) {
    auto& state = view().state();
    state.panelMode = PanelMode::OneShot;
    QImage image(400, 200, QImage::Format_ARGB32);
    state.progressPhase = 3;
    {
        QPainter painter(&image);
        paintPanel(painter, view().settings(), state);
    }
    EXPECT_EQ(state.progressPhase, 0);
    state.progressPhase = 31;
    {
        QPainter painter(&image);
        paintPanel(painter, view().settings(), state);
    }
    EXPECT_EQ(state.progressPhase, 11);
}

namespace {

QColor pixel(const QImage& image, QPoint at) {
    return image.pixelColor(at);
}

int distinctColours(const QImage& image, QRect area) {
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

}  // namespace

TEST_F(HostView, RendersThreeTerminalsInTheirStates) {
    auto& state = view().state();
    state.panelMode = PanelMode::OneShot;
    state.progressPhase = kPhaseFull;
    state.status[0] = TerminalStatus::Done;
    state.status[1] = TerminalStatus::Addressed;
    state.status[2] = TerminalStatus::Failed;
    state.kind = {0, 3, 2};
    state.selection[1] = 0;
    frame->resize(640, 360);
    QApplication::processEvents();

    const QImage shot = frame->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QString(HOST_TEST_OUTPUT_DIR) + "/host_panel.png";
    EXPECT_TRUE(shot.save(path));

    const QImage panel = view().viewport()->grab().toImage();
    EXPECT_GT(distinctColours(panel, QRect(10, 10, 94, 94)), 4);  // the PC
    for (int k = 0; k < 3; ++k) {
        const int x = terminalX(k);
        EXPECT_GT(distinctColours(panel, QRect(x - 18, 28, 49, 60)), 3) << k;
    }
    // Screen colours tell done, addressed and failed apart.
    auto screenAt = [&](int k, int kind) {
        const bool fixedUnit = kind == 2 || kind == 4;
        return fixedUnit ? pixel(panel, QPoint(terminalX(k) - 18 + 8, 28 + 22))
                         : pixel(panel, QPoint(terminalX(k) - 18 + 14, 28 + 9));
    };
    EXPECT_GT(screenAt(0, 0).green(), 150);
    EXPECT_LT(screenAt(0, 0).red(), 120);
    EXPECT_GT(screenAt(1, 3).red(), 200);
    EXPECT_GT(screenAt(1, 3).green(), 200);
    EXPECT_GT(screenAt(2, 2).red(), 200);
    EXPECT_LT(screenAt(2, 2).green(), 80);
    // The bus runs under all three.
    EXPECT_LT(pixel(panel, QPoint(60, 110)).lightness(), 100);
}

TEST_F(HostView, RendersTransferProgressAndPollingTimes) {
    auto& state = view().state();
    state.panelMode = PanelMode::Download;
    state.currentIndex = 1;
    state.progressPhase = 3;
    state.bytes = 2048;
    state.packets = 16;
    state.totalBytes = 4096;
    state.terminalFileName = "APP.EXE";
    frame->resize(640, 360);
    QApplication::processEvents();
    const QImage transfer = view().viewport()->grab().toImage();
    transfer.save(QString(HOST_TEST_OUTPUT_DIR) + "/host_transfer.png");
    EXPECT_EQ(state.progressPhase, 0);
    EXPECT_GT(distinctColours(transfer, QRect(10, 140, 60, 75)), 1);   // the labels
    EXPECT_GT(distinctColours(transfer, QRect(100, 200, 60, 15)), 1);  // the percentage

    state.panelMode = PanelMode::Polling;
    state.progressPhase = kPhaseFull;
    state.bytes = 0;
    const QImage before = view().viewport()->grab().toImage();
    EXPECT_EQ(distinctColours(before, QRect(150, 140, 60, 15)), 1);
    state.lastDataTime[0] = "12:34:56";
    view().settings().Polling_Period = PollingPeriod::Specify;
    const QImage polling = view().viewport()->grab().toImage();
    EXPECT_GT(distinctColours(polling, QRect(150, 140, 60, 15)), 1);  // last-data time
    EXPECT_GT(distinctColours(polling, QRect(120, 1, 200, 15)), 1);   // polling window
}

TEST_F(HostView, UnselectedAddressesTakeTheInactiveCaptionColour) {
    QPalette palette = view().palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(255, 0, 0));
    view().setPalette(palette);
    auto& state = view().state();
    state.panelMode = PanelMode::OneShot;
    state.progressPhase = kPhaseFull;
    state.selection[1] = 0;
    frame->resize(640, 360);
    QApplication::processEvents();
    const QImage panel = view().viewport()->grab().toImage();
    auto redPixels = [&panel](int k) {
        int count = 0;
        for (int y = 115; y < 135; ++y)
            for (int x = terminalX(k); x < terminalX(k) + 16; ++x) {
                const QColor c = panel.pixelColor(x, y);
                count += c.red() > 180 && c.green() < 90 && c.blue() < 90 ? 1 : 0;
            }
        return count;
    };
    EXPECT_GT(redPixels(1), 3);
    EXPECT_EQ(redPixels(0), 0);  // a selected address stays black
}
