// vantrel polling unattended while termsim is stopped and started again on the same link, as a
// USB adapter pulled out and plugged back in under a running poll.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_process.h"

namespace {

// More than one pass of A and B (16 polls each) before C is asked again, so the stop comes
// with records still waiting.
constexpr int kRecordsEach = 30;

// Message-window lines as an unattended run echoes them: "vantrel: C hh:mm:ss Poll  Time out".
int timeOutsOf(const std::string& output, char address) {
    const std::regex line(std::string("vantrel: ") + address +
                          " \\d\\d:\\d\\d:\\d\\d Poll  Time out");
    return static_cast<int>(std::distance(std::sregex_iterator(output.begin(), output.end(), line),
                                          std::sregex_iterator()));
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start + 1));
}

class HostEndToEndReconnect : public ::testing::Test {
protected:
    void SetUp() override {
        for (char address : {'A', 'B'})
            for (int i = 1; i <= kRecordsEach; ++i)
                records[address].push_back(std::string(1, address) + "-" + std::to_string(i));
        startSim();
        // C is silent: termsim plays only A and B.
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\r\nPort=1\r\nBaudRate=19200\r\nTerminal_type=KD31/KD32\r\n"
                  "Time_out=100\r\nAddress=ABC\r\n[POLL]\r\nFile_Name=POLL.DAT\r\n"
                  "Polling_Period=ExistWhenPeriodNoData\r\nPoll_Max_Wait_Time=3\r\n"
                  "Token_file=No\r\n[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\nSHOW_ERROR_BOX=Yes\r\n");
        setenv("VANTLINK_TRACE", folder.file("vantrel.trace").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VANTLINK_TRACE");
        if (restarter.joinable()) restarter.join();
    }

    // termsim for A and B with the records no earlier termsim took as acknowledged.
    bool startSim() {
        ++simsStarted;
        std::vector<std::string> args = {"--baud", "19200", "--trace", simTrace(simsStarted)};
        for (auto& [address, lines] : records) {
            const std::string file = folder.file(std::string("records-") + address);
            std::string text;
            for (std::size_t i = acknowledged(address); i < lines.size(); ++i)
                text += lines[i] + "\n";
            writeFile(file, text);
            args.insert(args.end(), {"--terminal", std::string(1, address) + ",records=" + file});
        }
        sim = simlaunch::SimProcess::start(folder.file("com1"), args);
        return sim != nullptr;
    }
    std::string simTrace(int n) const { return folder.file("termsim-" + std::to_string(n)); }
    std::size_t acknowledged(char address) const {
        std::size_t count = 0;
        for (int n = 1; n < simsStarted; ++n)
            count +=
                countOf(readFile(simTrace(n)), std::string(1, address) + ": record acknowledged");
        return count;
    }

    // Stops termsim while vantrel waits for the silent C, once some records came: every ACK
    // sent before has been read by then. Starts it again a good second later.
    void restartWhileAskingC() {
        restarter = std::thread([this] {
            using namespace std::chrono;
            const auto deadline = steady_clock::now() + seconds(20);
            std::string seen;
            while (steady_clock::now() < deadline) {
                std::this_thread::sleep_for(milliseconds(5));
                const std::string trace = readFile(folder.file("vantrel.trace"));
                const bool someRecords = countOf(trace, "< COM1 STX") >= 3;
                if (!someRecords || !lastLine(trace).ends_with("STX C3")) continue;
                if (trace != seen) {
                    seen = trace;  // still asking C 30 ms later?
                    std::this_thread::sleep_for(milliseconds(30));
                    continue;
                }
                sim->stop();
                stoppedMidPoll = true;
                takenBeforeStop = countOf(readFile(simTrace(1)), "record acknowledged");
                std::this_thread::sleep_for(milliseconds(1200));
                restarted = startSim();
                return;
            }
        });
    }

    TempFolder folder;
    std::map<char, std::vector<std::string>> records;
    std::unique_ptr<simlaunch::SimProcess> sim;
    int simsStarted = 0;
    std::thread restarter;
    std::atomic<bool> stoppedMidPoll{false};
    std::atomic<bool> restarted{false};
    int takenBeforeStop = 0;
};

TEST_F(HostEndToEndReconnect, UnattendedPollTakesEveryRecordOnceAcrossATerminalRestart) {
    restartWhileAskingC();
    const VantrelRun run =
        runVantrelProcess(folder.path(), folder.file("com1"), {"ABC", "1"}, 30000);
    restarter.join();
    ASSERT_TRUE(run.ended) << "vantrel did not end by itself";
    ASSERT_TRUE(stoppedMidPoll);
    ASSERT_TRUE(restarted);
    EXPECT_GT(takenBeforeStop, 0);
    EXPECT_LT(takenBeforeStop, 2 * kRecordsEach);
    EXPECT_EQ(run.exitCode, 0) << run.output;

    std::map<char, std::vector<std::string>> stored;
    const std::string data = readFile(folder.file("POLL.DAT"));
    for (std::size_t at = 0, end; (end = data.find("\r\n", at)) != std::string::npos; at = end + 2)
        stored[data[at]].push_back(data.substr(at + 2, end - at - 2));
    EXPECT_EQ(stored, records) << data;

    const std::string trace = readFile(folder.file("vantrel.trace"));
    EXPECT_EQ(countOf(trace, "! COM1 line lost: No such device: " + folder.file("com1")), 1);
    EXPECT_EQ(countOf(trace, "! COM1 line back"), 1);
    // The silent C has its box each time; A and B none for the time the line was away.
    EXPECT_GT(timeOutsOf(run.output, 'C'), 0) << run.output;
    EXPECT_EQ(timeOutsOf(run.output, 'A') + timeOutsOf(run.output, 'B'), 0) << run.output;
}

}  // namespace
