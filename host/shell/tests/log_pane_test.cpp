#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QToolTip>

#include "log_pane.h"

using vantrel::LogPane;

TEST(HostLogPane, EachCompleteLineIsOneEntry) {
    LogPane pane("Message Window", nullptr);
    pane.appendText("A 09:05:07 Cold Start  Successfully\n");
    pane.appendText("first\nsecond\n");
    ASSERT_EQ(pane.entryCount(), 3);
    EXPECT_EQ(pane.entry(0), "A 09:05:07 Cold Start  Successfully");
    EXPECT_EQ(pane.entry(2), "second");
    EXPECT_FALSE(pane.isVisible());  // panes start hidden
}

TEST(HostLogPane, PartialLinesWaitForTheirEnd) {
    LogPane pane("Polling Data Window", nullptr);
    pane.appendText("rec");
    EXPECT_EQ(pane.entryCount(), 0);
    pane.appendText("ord 1\nrecord");
    pane.appendText(" 2\n");
    ASSERT_EQ(pane.entryCount(), 2);
    EXPECT_EQ(pane.entry(0), "record 1");
    EXPECT_EQ(pane.entry(1), "record 2");
}

TEST(HostLogPane, MoreThan2000EntriesLoseTheTenOldest) {
    LogPane pane("Message Window", nullptr);
    std::string block;
    for (int i = 0; i < 2000; ++i) block += "line " + std::to_string(i) + "\n";
    pane.appendText(block);
    EXPECT_EQ(pane.entryCount(), 2000);
    pane.appendText("line 2000\n");  // 2000 is not more than 2000: nothing dropped
    EXPECT_EQ(pane.entryCount(), 2001);
    pane.appendText("line 2001\n");
    EXPECT_EQ(pane.entryCount(), 1992);
    EXPECT_EQ(pane.entry(0), "line 10");
    EXPECT_EQ(pane.entry(1991), "line 2001");
    pane.appendText("no line feed yet");  // nothing added, nothing dropped
    EXPECT_EQ(pane.entryCount(), 1992);
}

TEST(HostLogPane, ClearRemovesEntriesAndPendingText) {
    LogPane pane("Message Window", nullptr);
    pane.appendText("a\nb\nc\nd\npending");
    pane.clearEntries(2);
    ASSERT_EQ(pane.entryCount(), 2);
    EXPECT_EQ(pane.entry(0), "c");
    pane.appendText("\n");  // the pending text went with the clear
    EXPECT_EQ(pane.entry(2), "");
    pane.clearEntries();
    EXPECT_EQ(pane.entryCount(), 0);
}

TEST(HostLogPane, ResizingKeepsTheLastEntryInSight) {
    LogPane pane("Message Window", nullptr);
    pane.resize(400, 300);
    pane.show();
    std::string block;
    for (int i = 0; i < 200; ++i) block += "line " + std::to_string(i) + "\n";
    pane.appendText(block);
    QApplication::processEvents();
    pane.resize(400, 100);
    QApplication::processEvents();
    QListWidget* list = pane.list();
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    EXPECT_TRUE(list->viewport()->rect().contains(last)) << last.y();
}

TEST(HostLogPane, CharactersAreAsWideAsTheFontSizeIsHigh) {
    LogPane pane("Polling Data Window", nullptr);
    for (int size : {8, 14, 24}) {
        pane.setFontSize(size);
        const QFont font = pane.list()->font();
        EXPECT_EQ(font.pixelSize(), size);
        EXPECT_EQ(font.weight(), QFont::Thin);
        const QFontMetrics metrics(font);
        EXPECT_NEAR(metrics.averageCharWidth(), size, 1) << size;
        EXPECT_NEAR(metrics.horizontalAdvance(QString(10, 'x')), 10 * size, 10) << size;
    }
}

// A line wider than the pane scrolls instead of ending in "...", shows whole in its tooltip,
// and the selected lines copy whole, by Ctrl+C as by the context menu.
TEST(HostLogPane, LongLinesScrollShowWholeAndCopy) {
    LogPane pane("Line Trace Window", nullptr);
    pane.resize(200, 150);
    pane.show();
    const QString longLine = "A> " + QString(300, 'x') + " end";
    pane.appendText("first\n" + longLine.toStdString() + "\nlast\n");
    QApplication::processEvents();
    QListWidget* list = pane.list();
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
    const QRect longRect = list->visualItemRect(list->item(1));
    EXPECT_GE(longRect.width(), list->fontMetrics().horizontalAdvance(longLine));

    QHelpEvent help(QEvent::ToolTip, longRect.topLeft() + QPoint(2, 2),
                    list->viewport()->mapToGlobal(longRect.topLeft()));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), longLine);

    list->item(2)->setSelected(true);
    list->item(0)->setSelected(true);
    QKeyEvent copyKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "c");
    QApplication::sendEvent(list, &copyKey);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\nlast");
    list->clearSelection();
    list->item(1)->setSelected(true);
    ASSERT_EQ(list->actions().size(), 1);
    list->actions()[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), longLine);
}
