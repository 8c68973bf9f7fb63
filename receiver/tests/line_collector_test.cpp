// The line collector on its own: where lines end, the end mark, and the length limit.
#include <gtest/gtest.h>

#include <QByteArray>
#include <vector>

#include "line_collector.h"

namespace tembra::test {
namespace {

// The lines handed on for text, each character taken in turn until the end mark.
std::vector<QByteArray> linesOf(LineCollector& collector, const QByteArray& text) {
    std::vector<QByteArray> lines;
    for (const char c : text) {
        if (auto line = collector.take(c)) lines.push_back(*line);
        if (collector.endMarkSeen()) break;
    }
    return lines;
}

TEST(TembraLineCollector, LineFeedsEndLinesAndEverythingElseIsKept) {
    LineCollector collector;
    EXPECT_EQ(linesOf(collector, "\nA\r\n\n\nB C\nrest"), (std::vector<QByteArray>{"A\r", "B C"}));
    EXPECT_EQ(collector.unfinishedLine(), "rest");
    EXPECT_FALSE(collector.endMarkSeen());
    EXPECT_TRUE(linesOf(collector, "xxENDyy\n").empty());
    EXPECT_TRUE(collector.endMarkSeen());
    EXPECT_EQ(collector.unfinishedLine(), "restxxEND");
    collector.clear();
    EXPECT_FALSE(collector.endMarkSeen());
    EXPECT_TRUE(collector.unfinishedLine().isEmpty());
}

TEST(TembraLineCollector, ALineWithoutEndIsHandedOnInPiecesAndNeverHeldWhole) {
    // A sender that never ends its lines: the collector must not grow with it.
    LineCollector collector;
    const QByteArray endless(200'000, 'x');
    qsizetype stored = 0;
    for (const char c : endless) {
        if (const auto piece = collector.take(c)) {
            EXPECT_EQ(piece->size(), 64 * 1024);
            stored += piece->size();
        }
        ASSERT_LT(collector.unfinishedLine().size(), 64 * 1024);
    }
    EXPECT_EQ(stored + collector.unfinishedLine().size(), endless.size());  // nothing lost

    LineCollector short4(4);
    EXPECT_EQ(linesOf(short4, "abcdefghij\nkl\nmnop\n"),
              (std::vector<QByteArray>{"abcd", "efgh", "ij", "kl", "mnop"}));
}

TEST(TembraLineCollector, TheEndMarkIsSeenAcrossACutButNotAcrossALineFeed) {
    LineCollector cut(4);
    EXPECT_EQ(linesOf(cut,
                      "abEN"
                      "D tail"),
              (std::vector<QByteArray>{"abEN"}));
    EXPECT_TRUE(cut.endMarkSeen());
    EXPECT_EQ(cut.unfinishedLine(), "D");

    LineCollector fed(4);
    EXPECT_EQ(linesOf(fed, "abEN\nD\n"), (std::vector<QByteArray>{"abEN", "D"}));
    EXPECT_FALSE(fed.endMarkSeen());

    // The line holding the mark is never stored, even when it reaches the limit with it.
    LineCollector full(5);
    EXPECT_TRUE(linesOf(full, "abEND\n").empty());
    EXPECT_TRUE(full.endMarkSeen());
    EXPECT_EQ(full.unfinishedLine(), "abEND");
}

}  // namespace
}  // namespace tembra::test
