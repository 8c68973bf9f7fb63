// The library against the terminal simulator: polling several terminals, with and without
// line faults, and power saving.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim_launcher.h"
#include "vantlink.h"

namespace {

constexpr int kPort = 1;

using Records = std::map<char, std::vector<std::string>>;

class LinkTermsim : public ::testing::Test {
protected:
    // Writes each terminal's records to a file and starts termsim with them.
    void start(const Records& records, std::vector<std::string> extra = {}) {
        for (const auto& [address, lines] : records) {
            const std::string file = dir_.file(std::string("records-") + address);
            std::ofstream out(file, std::ios::binary);
            for (const auto& line : lines) out << line << "\r\n";
            extra.insert(extra.end(), {"--terminal", std::string(1, address) + ",records=" + file});
        }
        std::string error;
        sim_ = simlaunch::SimProcess::start(dir_.file("com1"), extra, &error);
        ASSERT_TRUE(sim_) << error;
        setenv("VANTLINK_COM1", sim_->link().c_str(), 1);
        ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    }
    void TearDown() override {
        HM_CloseCommPort(kPort);
        HM_set_time_out(400);
        HM_set_power_saving_status(0);
    }

    // Polls every address in turn until each has said "no data" `quiet_passes` times in a row.
    Records poll_all(const std::string& addresses, int quiet_passes, int max_passes = 2000) {
        Records got;
        std::map<char, int> quiet;
        for (int pass = 0; pass < max_passes; ++pass) {
            bool done = true;
            for (char a : addresses) {
                std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
                int32_t length = 0;
                const int32_t rc = HM_poll(kPort, a, buffer.data(), &length);
                if (rc == RC_SUCCESS) {
                    got[a].emplace_back(reinterpret_cast<char*>(buffer.data()), length);
                    quiet[a] = 0;
                } else if (rc == RC_NO_DATA) {
                    ++quiet[a];
                } else {
                    quiet[a] = 0;
                }
                done &= quiet[a] >= quiet_passes;
            }
            if (done) break;
        }
        return got;
    }

    simlaunch::TempDir dir_;
    std::unique_ptr<simlaunch::SimProcess> sim_;
};

Records three_terminals(int per_terminal) {
    Records records;
    for (char a : std::string("ABC")) {
        for (int i = 1; i <= per_terminal; ++i) {
            records[a].push_back(std::string(1, a) + "-" + std::to_string(i) + " \\data\x7f" +
                                 std::string(static_cast<size_t>(i % 30), 'x'));
        }
    }
    return records;
}

}  // namespace

TEST_F(LinkTermsim, EveryRecordArrivesOnceInOrder) {
    const Records records = three_terminals(25);
    start(records);
    EXPECT_EQ(poll_all("ABC", 1), records);
}

// A late answer comes within the time-out: one that came after it could be taken for the
// answer of the next terminal polled, since a poll answer does not name its sender.
TEST_F(LinkTermsim, EveryRecordArrivesOnceInOrderDespiteLineFaults) {
    const Records records = three_terminals(40);
    start(records, {"--seed", "7", "--fault-nak", "0.1", "--fault-check", "0.1", "--fault-noise",
                    "0.1", "--fault-silence", "0.05", "--fault-late", "0.05", "--late-ms", "150"});
    HM_set_time_out(300);
    EXPECT_EQ(poll_all("ABC", 4), records);
}

TEST_F(LinkTermsim, SleepingTerminalAnswersOnlyAfterTheWakeUp) {
    Records records;
    records['A'] = {"first", "second"};
    start(records);
    HM_set_time_out(100);
    std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
    int32_t length = 0;
    EXPECT_EQ(HM_power_saving_on(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_poll(kPort, 'A', buffer.data(), &length), RC_TIME_OUT);
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), RC_SUCCESS);
    ASSERT_EQ(HM_poll(kPort, 'A', buffer.data(), &length), RC_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), length), "first");
}
