// Execute > Poll while the line goes away: termsim is stopped in the middle of a poll and
// started again on the same link, as a USB adapter pulled out and plugged back in.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "command_ids.h"
#include "log_pane.h"
#include "main_frame.h"
#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantlink.h"
#include "vantrel_view.h"
#include "window_on_line.h"

using namespace vantrel;

namespace {

constexpr int kRecordsEach = 6;
constexpr unsigned char kStx = 0x02;
constexpr unsigned char kAddressC = 'C' + 0x80;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// When the host last asked the silent terminal C, which termsim does not play: stopping
// termsim then cuts no exchange of A or B short, and every ACK sent so far has been read.
std::int64_t g_askedSilentAtMs = -1;

void watchRequests(void*, std::int32_t direction, std::int32_t, const unsigned char* bytes,
                   std::int32_t count) {
    if (direction != TRACE_SENT || count < 2 || bytes[0] != kStx) return;
    g_askedSilentAtMs = bytes[1] == kAddressC ? nowMs() : -1;
}

class HostPollingReconnect : public ::testing::Test {
protected:
    void SetUp() override {
        for (char address : {'A', 'B'})
            for (int i = 1; i <= kRecordsEach; ++i)
                records_[address].push_back(std::string(1, address) + "-" + std::to_string(i));
        startSim();
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\nPort=1\nBaudRate=38400\nTerminal_type=KD35\nAddress=ABC\n"
                  "Time_out=100\n[POLL]\nToken_file=No\nMaxError=2\n"
                  "Polling_Period=Continuous\n");
        window = std::make_unique<WindowOnLine>(folder.file("com1"), folder.path().string());
        frame = window->frame.get();
        g_askedSilentAtMs = -1;
        HM_set_trace_handler(&watchRequests, nullptr);
        QTimer::singleShot(12000, frame, [this] { frame->view()->stop(); });
    }
    void TearDown() override {
        HM_set_trace_handler(nullptr, nullptr);
        window.reset();
    }

    // termsim for A and B with the records that no earlier termsim took as acknowledged.
    void startSim() {
        ++simsStarted_;
        std::vector<std::string> args = {"--baud", "38400", "--trace", simTrace(simsStarted_)};
        for (auto& [address, lines] : records_) {
            const std::string file = folder.file(std::string("records-") + address);
            std::string text;
            for (std::size_t i = acknowledged(address); i < lines.size(); ++i)
                text += lines[i] + "\r\n";
            writeFile(file, text);
            args.insert(args.end(), {"--terminal", std::string(1, address) + ",records=" + file});
        }
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
    }
    std::string simTrace(int n) const { return folder.file("termsim-" + std::to_string(n)); }
    std::size_t acknowledged(char address) const {
        std::size_t count = 0;
        for (int n = 1; n < simsStarted_; ++n) {
            const std::string trace = readFile(simTrace(n));
            const std::string mark = std::string(1, address) + ": record acknowledged";
            for (auto at = trace.find(mark); at != std::string::npos; at = trace.find(mark, at + 1))
                ++count;
        }
        return count;
    }
    // Message lines holding part (and starting with the address, when one is given).
    int messagesWith(const std::string& part, char address = '\0') const {
        int count = 0;
        for (int i = 0; i < frame->messagePane()->entryCount(); ++i) {
            const std::string line = frame->messagePane()->entry(i).toStdString();
            if (address != '\0' && line.front() != address) continue;
            count += line.find(part) != std::string::npos;
        }
        return count;
    }

    TempFolder folder;
    std::map<char, std::vector<std::string>> records_;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::unique_ptr<WindowOnLine> window;
    CMainFrame* frame = nullptr;
    int simsStarted_ = 0;
};

TEST_F(HostPollingReconnect, RecordsArriveOnceAcrossARestartAndTheWindowSaysLostAndBackOnce) {
    enum class Step { Polling, Away, Back, Done } step = Step::Polling;
    std::int64_t stepStartMs = nowMs();
    auto* timer = new QTimer(frame);
    QObject::connect(timer, &QTimer::timeout, [&] {
        const int stored = frame->dataPane()->entryCount();
        if (step == Step::Polling && stored >= 3 && g_askedSilentAtMs >= 0 &&
            nowMs() - g_askedSilentAtMs > 30) {
            sim->stop();
            step = Step::Away;
            stepStartMs = nowMs();
        } else if (step == Step::Away && nowMs() - stepStartMs > 1200) {
            startSim();
            step = Step::Back;
            stepStartMs = nowMs();
        } else if (step == Step::Back && stored >= 2 * kRecordsEach &&
                   nowMs() - stepStartMs > 1500) {
            step = Step::Done;
            frame->commandAction(ID_EXEC_STOP)->trigger();
        }
    });
    timer->start(10);
    EXPECT_TRUE(frame->view()->runCommand(ID_EXEC_POLL));
    ASSERT_EQ(step, Step::Done);

    std::map<char, std::vector<std::string>> stored;
    const std::string data = readFile(folder.file("POLL.DAT"));
    for (std::size_t at = 0, end; (end = data.find("\r\n", at)) != std::string::npos; at = end + 2)
        stored[data[at]].push_back(data.substr(at + 2, end - at - 2));
    EXPECT_EQ(stored, records_) << data;

    EXPECT_EQ(messagesWith("COM1 line lost: No such device: " + folder.file("com1")), 1);
    EXPECT_EQ(messagesWith("COM1 line lost"), 1);
    EXPECT_EQ(messagesWith("COM1 line back"), 1);
    // The silent C may be reported; A and B only ever timed out with the line away.
    EXPECT_EQ(messagesWith("Time out", 'A') + messagesWith("Time out", 'B'), 0);
}

}  // namespace
