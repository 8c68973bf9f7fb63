// The library against the terminal simulator: polling several terminals, with and without
// line faults, and power saving.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
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

namespace {

std::string random_bytes(size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    unsigned state = seed;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 16);
    }
    // Every byte the encoding treats specially, whatever the generator gave.
    const std::string special = {'\x00', '\x02', '\x03', '\x04', '\x06', '\x15', '\x1b',
                                 '\x5c', '\xdc', '\xa0', '\xff', '\x9f', '\x20'};
    for (size_t i = 0; i < special.size() && i < n; ++i) bytes[i * 7 % n] = special[i];
    return bytes;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class LinkTermsimCommands : public LinkTermsim {
protected:
    void SetUp() override {
        start({}, {"--terminal", "A,program=MENU.EXE", "--terminal", "B"});
        HM_set_power_saving_status(1);
    }
    std::string local(const std::string& name, const std::string& content) {
        std::string path = dir_.file(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
};

TEST_F(LinkTermsimCommands, StartsSetUpAndTablesWithPowerSaving) {
    EXPECT_EQ(HM_warm_start(kPort, 'A'), 0);
    EXPECT_EQ(HM_get_power_saving_return(), 0) << "the terminal went back to sleep";
    EXPECT_EQ(HM_kermit(kPort, 'A'), 0);
    EXPECT_EQ(HM_exe_size(kPort, 'A', 5), 0);
    EXPECT_EQ(HM_upload_mode(kPort, 'A'), 0);
    EXPECT_EQ(HM_system_font(kPort, 'A', '1'), 0);
    EXPECT_EQ(HM_keypad(kPort, 'A', 1), 0);
    EXPECT_EQ(HM_keymap(kPort, 'A', 3), 0);
    EXPECT_EQ(HM_buzzer(kPort, 'A', 1), 0);
    EXPECT_EQ(HM_term_tab(kPort, 'A', "T1"), 0);
    EXPECT_EQ(HM_comm_tab(kPort, 'A', "C1"), 0);
    EXPECT_EQ(HM_dev_tab(kPort, 'A', "V1"), 0);
    EXPECT_EQ(HM_bar_tab(kPort, 'A', "B1"), 0);
    EXPECT_EQ(HM_date_time(kPort, 'A', "20261208073000"), 0);
    EXPECT_EQ(HM_password(kPort, 'A', "1234"), 0);
    // These never wake the terminal: it must be awake already.
    EXPECT_EQ(HM_ups(kPort, 'A'), RC_TIME_OUT);
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), 0);
    EXPECT_EQ(HM_ups(kPort, 'A'), 0);
    EXPECT_EQ(HM_KD24_record(kPort, 'A', "R1"), 0);
    EXPECT_EQ(HM_KD24_min_len(kPort, 'A', "4"), 0);
    EXPECT_EQ(HM_KD24_field_port(kPort, 'A', "1"), 0);
    EXPECT_EQ(HM_KD24_trigger(kPort, 'A', 1), 0);
    EXPECT_EQ(HM_send_data(kPort, 'A', "hello"), 0);
    const unsigned char raw[] = {0x00, 0x5C, 0xFF};
    EXPECT_EQ(HM_send_data1(kPort, 'A', raw, 3), 0);
    EXPECT_EQ(HM_set_address(kPort, 'B', 'C'), 0);
    EXPECT_EQ(HM_warm_start(kPort, 'C'), 0);
    EXPECT_EQ(HM_cold_start(kPort, 'C'), 0);
}

TEST_F(LinkTermsimCommands, InquiriesAnswerWithTheTerminalsFigures) {
    std::array<char, 300> text{};
    EXPECT_EQ(HM_sendback(kPort, 'A', "echo me", text.data()), 0);
    EXPECT_STREQ(text.data(), "echo me");
    EXPECT_EQ(HM_terminal_id(kPort, 'A', text.data()), 0);
    EXPECT_GT(std::strlen(text.data()), 0u);
    EXPECT_EQ(HM_exec_file(kPort, 'A', text.data()), 0);
    EXPECT_STREQ(text.data(), "MENU.EXE");
    EXPECT_EQ(HM_exec_file(kPort, 'B', text.data()), RC_NO_PROGRAM);
    EXPECT_EQ(HM_firmware_version(kPort, 'A', text.data()), 0);
    EXPECT_STREQ(text.data(), "V3.20");
    std::array<int32_t, 5> ram{};
    EXPECT_EQ(HM_ram_size(kPort, 'A', &ram[0], &ram[1], &ram[2], &ram[3], &ram[4]), 0);
    EXPECT_EQ(ram[0], 640);
    EXPECT_EQ(ram[1], 128);
    int32_t total = 0, free_kb = 0;
    EXPECT_EQ(HM_flash_size(kPort, 'A', &total, &free_kb), 0);
    EXPECT_EQ(total, 2048);
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), 0);
    EXPECT_EQ(HM_power_saving_on(kPort, 'A'), 0);
}

TEST_F(LinkTermsimCommands, FilesMoveAndRunOnTheTerminal) {
    const std::string app = local("APP.EXE", random_bytes(700, 1));
    EXPECT_EQ(HM_download(kPort, 'A', app.c_str(), "APP.EXE"), 0);
    int32_t length = 0;
    EXPECT_EQ(HM_file_exist(kPort, 'A', "APP.EXE", &length), 0);
    EXPECT_EQ(length, 700);
    EXPECT_EQ(HM_file_exist(kPort, 'A', "NONE.EXE", &length), RC_NOT_EXIST);
    std::array<char, VANTLINK_DIR_LISTING> listing{};
    EXPECT_EQ(HM_dir(kPort, 'A', listing.data()), 0);
    EXPECT_NE(std::string(listing.data()).find("APP.EXE"), std::string::npos) << listing.data();
    EXPECT_EQ(HM_dir_ROM(kPort, 'A', listing.data()), 0);
    EXPECT_EQ(HM_run(kPort, 'A', "APP.EXE"), 0);
    EXPECT_EQ(HM_exec(kPort, 'A', "NONE.EXE"), RC_NOT_EXIST);
    EXPECT_EQ(HM_autoboot(kPort, 'A', "APP.EXE"), 0);

    ASSERT_EQ(HM_download11(kPort, 'A', "RAW.BIN"), 0);
    EXPECT_EQ(HM_download22(reinterpret_cast<const unsigned char*>("abc\x01"), 4), RC_MORE);
    EXPECT_EQ(HM_download22(nullptr, 0), 0);
    ASSERT_EQ(HM_upload11(kPort, 'A', "RAW.BIN"), 0);
    std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
    int32_t block_length = 0;
    EXPECT_EQ(HM_upload22(block.data(), &block_length), RC_MORE);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data()), block_length), "abc\x01");
    EXPECT_EQ(HM_upload22(block.data(), &block_length), 0);

    EXPECT_EQ(HM_delete(kPort, 'A', "APP.EXE"), 0);
    EXPECT_EQ(HM_delete(kPort, 'A', "APP.EXE"), RC_NOT_EXIST);
    std::array<char, VANTLINK_LOCAL_PATH> path{};
    std::strcpy(path.data(), dir_.file("none.bin").c_str());
    EXPECT_EQ(HM_upload(kPort, 'A', "NONE.BIN", path.data()), RC_NOT_EXIST);
    EXPECT_EQ(HM_cancel_upload(kPort, 'A'), 0);
    EXPECT_EQ(HM_cancel_download(kPort, 'A'), 0);

    // Unanswered frames are paced only by the delay: it must cover a frame's line time.
    HM_set_Tester_delay(300);
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), 0) << "the Tester steps never wake a terminal";
    const std::string tested = local("t.bin", random_bytes(300, 3));
    EXPECT_EQ(HM_Tester_Download_Initial(kPort, 'A', tested.c_str()), 0);
    EXPECT_EQ(HM_Tester_Downloading(kPort, tested.c_str()), 0);
    EXPECT_EQ(HM_Tester_Download_Finish(kPort, 'A'), 0);
    HM_set_Tester_delay(1000);
}

TEST_F(LinkTermsim, BinaryFileRoundTripsDespiteLineFaults) {
    // At 57600 baud a block resent after a bad check still fits the answer's time-out.
    start({}, {"--baud", "57600", "--seed", "11", "--fault-nak", "0.1", "--fault-check", "0.1",
               "--fault-noise", "0.1", "--terminal", "A"});
    const std::string content = random_bytes(20000, 5);
    const std::string sent = dir_.file("sent.bin");
    std::ofstream(sent, std::ios::binary) << content;
    int32_t size = 0, bytes = 0, packets = 0;
    ASSERT_EQ(HM_download1(kPort, 'A', sent.c_str(), "ROUND.BIN", &size), 0);
    int32_t rc;
    while ((rc = HM_download2(&bytes, &packets)) == RC_MORE) {
    }
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(bytes, 20000);

    HM_set_upload_file_save_mode(UPLOAD_SAVE_OVERWRITE);
    std::array<char, VANTLINK_LOCAL_PATH> back{};
    std::strcpy(back.data(), dir_.file("back.bin").c_str());
    ASSERT_EQ(HM_upload1(kPort, 'A', "ROUND.BIN", back.data()), 0);
    while ((rc = HM_upload2(&bytes, &packets)) == RC_MORE) {
    }
    HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(bytes, 20000);
    EXPECT_TRUE(file_text(back.data()) == content) << "the file came back changed";
}
