// Opening ports, line settings as the device sees them, waits and the library's settings.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "line_readback.h"
#include "link_fixture.h"
#include "serial_port.h"

using namespace linktest;

namespace {

LineReadback line_of(const PtyPeer& peer) {
    return read_line(peer.master_fd());
}

}  // namespace

TEST(LinkPort, EveryBaudCodeAndRawRatesReachTheDevice) {
    PtyPeer peer(2);
    const std::array<std::pair<int32_t, unsigned>, 13> cases = {{{0, 110},
                                                                 {1, 300},
                                                                 {2, 600},
                                                                 {3, 1200},
                                                                 {4, 2400},
                                                                 {5, 4800},
                                                                 {6, 9600},
                                                                 {7, 19200},
                                                                 {8, 38400},
                                                                 {9, 57600},
                                                                 {19200, 19200},
                                                                 {10, 10},
                                                                 {250000, 250000}}};
    for (const auto& [code, rate] : cases) {
        ASSERT_EQ(HM_OpenCommPort(2, code, 8, 0, 1), 1) << code;
        const auto tio = line_of(peer);
        EXPECT_EQ(tio.speed, rate) << "baud code " << code;
        EXPECT_NE(HM_CloseCommPort(2), 0);
    }
}

// A pty forces CS8 and no parity whatever it is told, so the termios the library builds is
// checked directly; stop bits and raw mode are read back from the device.
TEST(LinkPort, ByteSizeParityAndStopBits) {
    struct Case {
        int32_t bits, parity, stop;
        tcflag_t size;
        bool parenb, parodd, cstopb;
    };
    const std::array<Case, 5> cases = {{{8, 0, 1, CS8, false, false, false},
                                        {7, 1, 1, CS7, true, true, false},
                                        {7, 2, 2, CS7, true, false, true},
                                        {8, 3, 1, CS8, true, false, false},
                                        {8, 0, 0, CS8, false, false, true}}};
    for (const auto& c : cases) {
        ::termios tio{};
        tio.c_cflag = PARODD | CSTOPB | CS5;
        tio.c_iflag = ICRNL | IXON;
        tio.c_lflag = ECHO | ICANON;
        ASSERT_TRUE(vantlink::configure_termios(
            tio, vantlink::line_settings_from_codes(6, c.bits, c.parity, c.stop)));
        EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
        EXPECT_EQ((tio.c_cflag & PARENB) != 0, c.parenb) << c.parity;
        EXPECT_EQ((tio.c_cflag & PARODD) != 0, c.parodd) << c.parity;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.cstopb) << c.stop;
    }
    ::termios tio{};
    EXPECT_FALSE(vantlink::configure_termios(tio, vantlink::line_settings_from_codes(6, 9, 0, 1)));

    PtyPeer peer(2);
    ASSERT_EQ(HM_OpenCommPort(2, 6, 8, 3, 0), 1);
    const auto line = line_of(peer);
    EXPECT_NE(line.cflag & CSTOPB, 0u);
    EXPECT_NE(line.cflag & CLOCAL, 0u);
    EXPECT_EQ(line.lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(line.iflag & (ICRNL | IXON | IXOFF), 0u);
    EXPECT_EQ(line.oflag & OPOST, 0u);
    HM_CloseCommPort(2);
    EXPECT_EQ(HM_OpenCommPort(2, 6, 9, 0, 1), 0) << "a byte size the line cannot take";
}

TEST(LinkPort, CloseTwiceAndNumbersOutsideTheTable) {
    PtyPeer peer(3);
    ASSERT_EQ(HM_OpenCommPort(3, 6, 8, 0, 1), 1);
    EXPECT_NE(HM_CloseCommPort(3), 0);
    EXPECT_EQ(HM_CloseCommPort(3), 0);
    EXPECT_EQ(HM_CloseCommPort(4), 0);
    EXPECT_EQ(HM_OpenCommPort(5, 6, 8, 0, 1), 0);
    EXPECT_EQ(HM_OpenCommPort(-1, 6, 8, 0, 1), 0);
    EXPECT_EQ(HM_CloseCommPort(99), 0);
    unsetenv("VANTLINK_COM4");
    if (access("/dev/ttyS3", F_OK) != 0) {
        EXPECT_EQ(HM_OpenCommPort(4, 6, 8, 0, 1), 0);
    }
}

TEST(LinkPort, ClosedOrUnknownPortTimesOutWithoutHarm) {
    HM_set_time_out(30);
    std::array<unsigned char, 256> buffer{};
    int32_t length = 0;
    for (int32_t port : {3, 7, -2, 1000}) {
        const int64_t start = now_ms();
        EXPECT_EQ(HM_poll(port, 'A', buffer.data(), &length), RC_TIME_OUT);
        EXPECT_GE(now_ms() - start, 30);
    }
    EXPECT_EQ(HM_poll(3, 'A', nullptr, nullptr), RC_TIME_OUT);
    HM_set_time_out(400);
}

TEST(LinkPort, PortHeldByAnotherProcessIsRefused) {
    PtyPeer peer(2);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(peer.slave_path().c_str(), O_RDWR | O_NOCTTY);
        const bool locked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
        const char status = locked ? 'y' : 'n';
        (void)!write(ready[1], &status, 1);
        char done;
        (void)!read(release[0], &done, 1);
        _exit(0);
    }
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'y');
    EXPECT_EQ(HM_OpenCommPort(2, 6, 8, 0, 1), 0);
    (void)!write(release[1], "x", 1);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(HM_OpenCommPort(2, 6, 8, 0, 1), 1);
    HM_CloseCommPort(2);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST(LinkPort, ReopeningANumberTakesTheNewSettings) {
    PtyPeer peer(2);
    ASSERT_EQ(HM_OpenCommPort(2, 6, 8, 0, 1), 1);
    ASSERT_EQ(HM_OpenCommPort(2, 9, 8, 0, 1), 1);
    EXPECT_EQ(line_of(peer).speed, 57600u);
    HM_CloseCommPort(2);
}

TEST(LinkSettings, InitialValuesSettersAndFacts) {
    EXPECT_EQ(HM_version(), 7);
    EXPECT_EQ(HM_get_time_out(), 400);
    EXPECT_EQ(HM_get_ESC_delay(), 10);
    EXPECT_EQ(HM_get_NAK_delay(), 50);
    EXPECT_EQ(HM_get_power_saving_status(), 0);
    EXPECT_EQ(HM_get_upload_file_save_mode(), 0);
    EXPECT_EQ(HM_set_time_out(-1), -1);
    EXPECT_EQ(HM_get_time_out(), -1);
    EXPECT_EQ(HM_set_ESC_delay(0), 0);
    EXPECT_EQ(HM_set_NAK_delay(7), 7);
    EXPECT_EQ(HM_get_NAK_delay(), 7);
    EXPECT_EQ(HM_set_Tester_delay(5), 5);
    EXPECT_EQ(HM_set_power_saving_status(1), 1);
    EXPECT_EQ(HM_get_power_saving_status(), 1);
    EXPECT_EQ(HM_set_upload_file_save_mode(2), 2);
    EXPECT_EQ(HM_get_upload_file_save_mode(), 2);
    HM_set_time_out(400);
    HM_set_ESC_delay(10);
    HM_set_NAK_delay(50);
    HM_set_Tester_delay(1000);
    HM_set_power_saving_status(0);
    HM_set_upload_file_save_mode(0);
    for (int32_t index : {1, 5, 6, -1, 100000}) EXPECT_EQ(HM_get_return_string_length(index), 0);
}

TEST(LinkWait, DelaysLastLongerThanAskedAndServeThePump) {
    static std::atomic<int> pumped{0};
    int64_t start = now_ms();
    EXPECT_GE(HM_time_delay(0), 1);
    EXPECT_GE(HM_time_delay(30), 31);
    EXPECT_GE(now_ms() - start, 29);
    EXPECT_LT(now_ms() - start, 300);

    pumped = 0;
    HM_set_message_pump([] { ++pumped; });
    start = now_ms();
    HM_time_delay(50);
    HM_set_message_pump(nullptr);
    EXPECT_GE(now_ms() - start, 49);
    EXPECT_GE(pumped.load(), 10);  // served about every millisecond, even on a busy machine

    // A caller without windows asks to be woken less often; out-of-range intervals change nothing.
    EXPECT_EQ(HC_set_pump_interval(0), 0);
    EXPECT_EQ(HC_set_pump_interval(101), 0);
    ASSERT_EQ(HC_set_pump_interval(100), 1);
    pumped = 0;
    HM_set_message_pump([] { ++pumped; });
    HM_time_delay(250);
    HM_set_message_pump(nullptr);
    EXPECT_EQ(HC_set_pump_interval(1), 1);
    EXPECT_GE(pumped.load(), 2);
    EXPECT_LE(pumped.load(), 6) << "woken every millisecond despite the interval";
}

class LinkPoll : public LinkFixture {};

TEST_F(LinkPoll, RecordIsDecodedAcknowledgedAndItsLengthRecorded) {
    peer().run([](PtyPeer& p) {
        EXPECT_EQ(p.read_bytes(2), (Bytes{0x02, 0xC2}));
        // "A1" and a byte 0x05 sent as 5C 85: payload 41 31 5C 85, check 0x153 + 4 = 0x57 (mod
        // 256).
        p.send({0x02, 0x41, 0x31, 0x5C, 0x85, 0x45, 0x47, 0x03});
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x06}));
    });
    std::array<unsigned char, 256> buffer{};
    int32_t length = 0;
    EXPECT_EQ(HM_poll(kPort, 'B', buffer.data(), &length), RC_SUCCESS);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), (Bytes{0x41, 0x31, 0x05, 0}));
    EXPECT_EQ(HM_get_return_string_length(0), 3);
}

TEST_F(LinkPoll, ResultsForEachAnswerAndNoResend) {
    const std::vector<std::pair<Bytes, int32_t>> cases = {{{0x04}, RC_NO_DATA},
                                                          {{0x15}, RC_HOST_NAK},
                                                          {{0x06}, RC_UNKNOWN_RESPONSE},
                                                          {{}, RC_TIME_OUT}};
    HM_set_time_out(60);
    for (const auto& [answer, result] : cases) {
        peer().run([answer = answer](PtyPeer& p) {  // clang before 16 cannot capture a binding
            EXPECT_EQ(p.read_bytes(2).size(), 2u);
            if (!answer.empty()) p.send(answer);
            EXPECT_TRUE(p.read_all(100).empty()) << "the poll is never sent twice";
        });
        std::array<unsigned char, 256> buffer{};
        int32_t length = 0;
        EXPECT_EQ(HM_poll(kPort, 'A', buffer.data(), &length), result);
        peer().join();
    }
}

class LinkPowerSaving : public LinkFixture {};

TEST_F(LinkPowerSaving, WakeUpTriesFiveTimesAgainstASilentTerminal) {
    HM_set_time_out(20);
    HM_set_ESC_delay(0);
    std::atomic<int> wakes{0}, requests{0};
    peer().run([&](PtyPeer& p) {
        const int64_t end = now_ms() + 7000;
        while (now_ms() < end) {
            Bytes byte = p.read_bytes(1, 1500);
            if (byte.empty()) return;
            if (byte[0] == 0x00) ++wakes;
            if (byte[0] == 0x37) ++requests;
        }
    });
    const int64_t start = now_ms();
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), RC_TIME_OUT);
    const int64_t took = now_ms() - start;
    peer().join();
    EXPECT_EQ(wakes, 5);
    EXPECT_EQ(requests, 5);
    EXPECT_GE(took, 5 * (800 + 20 + 250));
    EXPECT_EQ(HM_get_power_saving_return(), RC_TIME_OUT);
}

TEST_F(LinkPowerSaving, WakeUpStopsAtTheFirstAckAndSleepSendsCommand8) {
    peer().run([](PtyPeer& p) {
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x00}));
        EXPECT_EQ(p.read_request(), (Bytes{0x02, 0x1B, 0x37, 0x41, 0x45, 0xC1}));
        p.send({0x06});
        EXPECT_EQ(p.read_request(), (Bytes{0x02, 0x1B, 0x38, 0x41, 0x46, 0xC1}));
        p.send({0x15});  // NAK, then accepted on the resend
        EXPECT_EQ(p.read_request(), (Bytes{0x02, 0x1B, 0x38, 0x41, 0x46, 0xC1}));
        p.send({0x06});
    });
    EXPECT_EQ(HM_power_saving_off(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_power_saving_on(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_get_power_saving_return(), RC_SUCCESS);
}
