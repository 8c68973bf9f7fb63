// The Line Trace Window: the library's bytes in the library's own trace form, only while shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "command_ids.h"
#include "frame_fixture.h"
#include "line_trace_window.h"
#include "log_pane.h"
#include "sim_launcher.h"
#include "trace_lines.h"
#include "vantlink.h"

namespace {

// The library's own file trace of this process, switched on before the library first looks.
const std::string kLibraryTraceFile =
    (std::filesystem::temp_directory_path() / ("vantrel_line_trace_" + std::to_string(getpid())))
        .string();
struct LibraryTrace {
    LibraryTrace() {
        std::remove(kLibraryTraceFile.c_str());
        on = setenv("VANTLINK_TRACE", kLibraryTraceFile.c_str(), 1) == 0;
    }
    ~LibraryTrace() { std::remove(kLibraryTraceFile.c_str()); }
    bool on = false;
} libraryTrace;

constexpr int kPort = 1;

std::vector<uint8_t> bytes(std::initializer_list<uint8_t> list) {
    return std::vector<uint8_t>(list);
}

// A trace line without its timestamp: "<direction> <port> <bytes>".
std::string withoutTime(const std::string& line) {
    const auto blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

// Lines without timestamps, consecutive lines of one direction and port joined: the split of a
// burst depends on timing, the bytes and their names do not.
std::vector<std::string> joinedBursts(const std::vector<std::string>& lines) {
    std::vector<std::string> joined;
    std::string head;
    for (const std::string& line : lines) {
        const std::string rest = withoutTime(line);
        const std::string lineHead = rest.substr(0, rest.find(' ', 2));
        if (!joined.empty() && lineHead == head)
            joined.back() += rest.substr(lineHead.size());
        else
            joined.push_back(rest);
        head = lineHead;
    }
    return joined;
}

std::vector<std::string> paneLines(const vantrel::LogPane& pane) {
    std::vector<std::string> lines;
    for (int i = 0; i < pane.entryCount(); ++i) lines.push_back(pane.entry(i).toStdString());
    return lines;
}

}  // namespace

TEST(HostTraceLines, BytesAreNamedAndBurstsSplitAsTheLibraryDoes) {
    EXPECT_EQ(
        vantrel::traceLine(1234, '>', 1,
                           bytes({0x00, 0x02, 0x1B, 0x1F, 0x20, 0x41, 0x7F, 0x80, 0xC1, 0xFF})),
        "1234 > COM1 NUL STX ESC US 20 41 DEL 80 C1 FF");

    vantrel::TraceLines lines(100);
    lines.add(10, '>', 1, bytes({0x02, 0xC1}));
    lines.add(15, '<', 1, bytes({0x04}));  // direction changes
    lines.add(16, '<', 2, bytes({0x04}));  // port changes
    lines.add(36, '<', 2, bytes({0x05}));  // 20 ms later: still the same burst
    lines.add(57, '<', 2, bytes({0x06}));  // 21 ms later: a new one
    EXPECT_EQ(lines.take(58),
              (std::vector<std::string>{"10 > COM1 STX C1", "15 < COM1 EOT", "16 < COM2 EOT ENQ"}));
    // The burst going on is held until the line is quiet, or handed over when asked.
    EXPECT_TRUE(lines.take(77).empty());
    EXPECT_EQ(lines.take(78), (std::vector<std::string>{"57 < COM2 ACK"}));
    lines.add(80, '>', 1, bytes({0x06}));
    EXPECT_EQ(lines.take(80, true), (std::vector<std::string>{"80 > COM1 ACK"}));
    EXPECT_TRUE(lines.empty());
}

TEST(HostTraceLines, KeepsOnlyTheNewestLinesAndClearDropsTheBurstToo) {
    vantrel::TraceLines lines(3);
    for (uint64_t n = 0; n < 10; ++n) lines.add(n, n % 2 ? '<' : '>', 1, bytes({0x41}));
    EXPECT_EQ(lines.take(9, true),
              (std::vector<std::string>{"7 < COM1 41", "8 > COM1 41", "9 < COM1 41"}));
    lines.add(20, '>', 1, bytes({0x41}));
    lines.add(21, '<', 1, bytes({0x42}));
    lines.clear();
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(lines.take(100, true).empty());
}

class HostLineTrace : public FrameFixture {
protected:
    void TearDown() override {
        HM_CloseCommPort(kPort);
        FrameFixture::TearDown();
    }

    vantrel::LineTraceWindow& trace() { return *frame->lineTrace(); }
    vantrel::LogPane& pane() { return *trace().pane(); }

    void startTerminal() {
        const std::string records = folder.file("records-A");
        writeFile(records, "4006381333931\r\n");
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"),
                                           {"--terminal", "A,records=" + records}, &error);
        ASSERT_TRUE(sim) << error;
        setenv("VANTLINK_COM1", sim->link().c_str(), 1);
        ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    }

    int32_t poll() {
        std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
        int32_t length = 0;
        return HM_poll(kPort, 'A', buffer.data(), &length);
    }

    // The lines the library's file trace wrote for this run, from offset on.
    std::vector<std::string> libraryTraceLines(std::streamoff offset) {
        flushLibraryTrace();
        std::ifstream in(kLibraryTraceFile);
        in.seekg(offset);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The library writes its last burst on the first wait that finds the line quiet.
    static void flushLibraryTrace() {
        for (int wait = 0; wait < 2; ++wait)
            HM_time_delay(2 * static_cast<int32_t>(vantrel::TraceLines::kBurstGapMs));
    }

    std::streamoff libraryTraceSize() {
        flushLibraryTrace();
        std::ifstream in(kLibraryTraceFile, std::ios::ate);
        return in ? static_cast<std::streamoff>(in.tellg()) : 0;
    }

    std::unique_ptr<simlaunch::SimProcess> sim;
};

TEST_F(HostLineTrace, PaneShowsAPollExchangeAsTheLibraryTraceWritesIt) {
    ASSERT_TRUE(libraryTrace.on);
    startTerminal();
    EXPECT_FALSE(trace().isTracing()) << "off until shown";
    const std::streamoff before = libraryTraceSize();

    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_SHOW));
    EXPECT_TRUE(pane().isVisible());
    ASSERT_EQ(poll(), RC_SUCCESS);
    trace().appendBuffered(true);

    const auto shown = paneLines(pane());
    ASSERT_GE(shown.size(), 3u);
    const auto bursts = joinedBursts(shown);
    ASSERT_EQ(bursts.size(), 3u);
    EXPECT_EQ(bursts[0], "> COM1 STX C1");
    EXPECT_TRUE(bursts[1].starts_with("< COM1 STX ")) << bursts[1];
    EXPECT_TRUE(bursts[1].ends_with(" ETX")) << bursts[1];
    EXPECT_EQ(bursts[2], "> COM1 ACK");
    EXPECT_EQ(bursts, joinedBursts(libraryTraceLines(before)));
    // Time-stamped on the library's clock.
    const uint64_t first = std::stoull(shown.front());
    EXPECT_LE(first, std::stoull(shown.back()));
    EXPECT_LE(std::stoull(shown.back()), vantrel::traceClockMs());
}

TEST_F(HostLineTrace, HideStopsTheTraceAndClearEmptiesOnlyWhileShown) {
    startTerminal();
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_SHOW));
    ASSERT_EQ(poll(), RC_SUCCESS);
    // Hide keeps what came while shown, even the burst still open.
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_HIDE));
    EXPECT_FALSE(trace().isTracing());
    EXPECT_FALSE(pane().isVisible());
    const int kept = pane().entryCount();
    EXPECT_EQ(joinedBursts(paneLines(pane())).back(), "> COM1 ACK");

    EXPECT_EQ(poll(), RC_NO_DATA);
    trace().appendBuffered(true);
    QApplication::processEvents();
    EXPECT_EQ(pane().entryCount(), kept) << "lines appended while hidden";

    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_CLEAR));
    EXPECT_EQ(pane().entryCount(), kept) << "cleared while hidden";
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_SHOW));
    trace().addBytes(vantrel::traceClockMs(), '>', kPort, bytes({0x02}));
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_CLEAR));
    trace().appendBuffered(true);
    EXPECT_EQ(pane().entryCount(), 0) << "the buffered burst survived Clear";

    // The close box stops the trace as Hide does.
    pane().close();
    EXPECT_FALSE(trace().isTracing());
    EXPECT_EQ(poll(), RC_NO_DATA);
    trace().appendBuffered(true);
    EXPECT_EQ(pane().entryCount(), 0);
}

TEST_F(HostLineTrace, PaneKeepsNoMoreLinesThanTheOtherPanes) {
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_SHOW));
    const int cap = vantrel::LogPane::kMaxEntries + 1;
    auto feed = [this](int from, int count) {
        for (int n = from; n < from + count; ++n)
            trace().addBytes(static_cast<uint64_t>(n), n % 2 ? '<' : '>', kPort,
                             bytes({static_cast<uint8_t>(n & 0x3F)}));
    };
    // More than the cap in one batch, then in several batches.
    feed(0, cap + 500);
    trace().appendBuffered(true);
    EXPECT_EQ(pane().entryCount(), cap);
    EXPECT_EQ(pane().entry(0).toStdString(),
              vantrel::traceLine(500, '>', kPort, bytes({500 & 0x3F})));
    for (int batch = 0; batch < 3; ++batch) {
        feed(cap + 500 + batch * 700, 700);
        trace().appendBuffered(true);
        EXPECT_LE(pane().entryCount(), cap);
    }
    const int last = cap + 500 + 3 * 700 - 1;
    EXPECT_EQ(pane().entry(pane().entryCount() - 1).toStdString(),
              vantrel::traceLine(last, last % 2 ? '<' : '>', kPort,
                                 bytes({static_cast<uint8_t>(last & 0x3F)})));
    EXPECT_EQ(pane().entryCount(), cap);
}

TEST_F(HostLineTrace, WindowMenuHoldsTheThreeCommands) {
    for (const auto& [id, text] : {std::pair{vantrel::ID_TRACE_WINDOW_CLEAR, "Clear"},
                                   std::pair{vantrel::ID_TRACE_WINDOW_HIDE, "Hide"},
                                   std::pair{vantrel::ID_TRACE_WINDOW_SHOW, "Show"}}) {
        ASSERT_NE(frame->commandAction(id), nullptr) << text;
        EXPECT_EQ(frame->commandAction(id)->text(), text);
        EXPECT_TRUE(enabled(id)) << text;
    }
    // Closing the main window ends the trace: the handler must not outlive the window.
    ASSERT_TRUE(view().runCommand(vantrel::ID_TRACE_WINDOW_SHOW));
    frame->closeWithoutAsking();
    EXPECT_FALSE(trace().isTracing());
}
