// Terminal commands against a scripted terminal: request bytes, result rules, the
// power-saving steps around each command, and answer decoding.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

#include "link_fixture.h"

using namespace linktest;

namespace {

const Bytes kAck = {0x06};
const Bytes kEot = {0x04};

Bytes status_answer(char letter, uint8_t status) {
    return data_answer(letter, Bytes{status});
}

std::string letters_of(const std::vector<Request>& requests) {
    std::string letters;
    for (const auto& r : requests) letters += static_cast<char>(r.letter);
    return letters;
}

}  // namespace

class LinkCommands : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        HM_set_ESC_delay(0);
    }
    // Runs call while the terminal answers every request with `answer`; returns the requests.
    template <typename Call>
    std::vector<Request> exchange(const Bytes& answer, Call call, int32_t* result = nullptr) {
        // A wake-up keeps the line quiet for 800 ms before its first request.
        const int quiet_ms = HM_get_power_saving_status() ? 1500 : 300;
        std::vector<Request> seen;
        peer().run([&](PtyPeer& p) {
            seen = serve(
                p, [&](const Request&) { return answer; }, quiet_ms);
        });
        const int32_t rc = call();
        peer().join();
        if (result != nullptr) *result = rc;
        return seen;
    }
};

TEST_F(LinkCommands, WarmStartIsTheLiteralFrame) {
    peer().run([](PtyPeer& p) {
        EXPECT_EQ(p.read_request(), (Bytes{0x02, 0x1B, 0x41, 0x41, 0x4F, 0xC1}));
        p.send(kAck);
    });
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_SUCCESS);
}

TEST_F(LinkCommands, OneValueArgumentsTravelAsOneCharacter) {
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        uint8_t letter;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"keypad 3", [] { return HM_keypad(kPort, 'A', 3); }, 'K', {0x33}},
        {"keypad A", [] { return HM_keypad(kPort, 'A', 0x41); }, 'K', {0x41}},
        {"keymap 3", [] { return HM_keymap(kPort, 'A', 3); }, 'K', {0x03}},
        {"buzzer 1", [] { return HM_buzzer(kPort, 'A', 1); }, 'N', {0x31}},
        {"exe size 7", [] { return HM_exe_size(kPort, 'A', 7); }, 'F', {'0', '0', '7'}},
        {"exe size 250", [] { return HM_exe_size(kPort, 'A', 250); }, 'F', {'2', '5', '0'}},
        {"font", [] { return HM_system_font(kPort, 'A', 0x131); }, 'f', {0x31}},
        {"trigger", [] { return HM_KD24_trigger(kPort, 'A', 2); }, 'R', {0x32}},
        {"set address", [] { return HM_set_address(kPort, 'A', 'B'); }, '5', {'B'}},
        {"ups", [] { return HM_ups(kPort, 'A'); }, 'F', {}},
        {"flash",
         [] { return HM_flash_size(kPort, 'A', nullptr, nullptr); },
         'G',
         {'/', 'R', 'O', 'M'}},
        {"ram",
         [] { return HM_ram_size(kPort, 'A', nullptr, nullptr, nullptr, nullptr, nullptr); },
         'G',
         {}},
        {"run",
         [] { return HM_run(kPort, 'A', "APP.EXE"); },
         'X',
         {'A', 'P', 'P', '.', 'E', 'X', 'E'}},
        {"kermit", [] { return HM_kermit(kPort, 'A'); }, 'k', {}},
        {"cold", [] { return HM_cold_start(kPort, 'A'); }, 'H', {}},
        {"min len", [] { return HM_KD24_min_len(kPort, 'A', "5"); }, '@', {'5'}},
        {"field port", [] { return HM_KD24_field_port(kPort, 'A', "1"); }, '>', {'1'}},
    };
    for (const auto& c : cases) {
        const auto seen = exchange(kAck, c.call);
        ASSERT_EQ(seen.size(), 1u) << c.what;
        EXPECT_EQ(seen[0].letter, c.letter) << c.what;
        EXPECT_EQ(seen[0].data, c.data) << c.what;
        EXPECT_EQ(seen[0].address, 0xC1) << c.what;
    }
}

TEST_F(LinkCommands, ResultRulesPerCommand) {
    struct Case {
        const char* what;
        Bytes answer;
        std::function<int32_t()> call;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"warm start ACK", kAck, [] { return HM_warm_start(kPort, 'A'); }, 0},
        {"warm start data", status_answer('A', 0), [] { return HM_warm_start(kPort, 'A'); }, 5},
        {"warm start NAK", {0x15}, [] { return HM_warm_start(kPort, 'A'); }, 3},
        {"delete ACK", kAck, [] { return HM_delete(kPort, 'A', "F"); }, 5},
        {"exec ACK", kAck, [] { return HM_exec(kPort, 'A', "P"); }, 0},
        {"exec s1", status_answer('X', 1), [] { return HM_exec(kPort, 'A', "P"); }, 48},
        {"exec s2", status_answer('X', 2), [] { return HM_exec(kPort, 'A', "P"); }, 54},
        {"exec s3", status_answer('X', 3), [] { return HM_exec(kPort, 'A', "P"); }, 5},
        {"delete s2", status_answer('E', 2), [] { return HM_delete(kPort, 'A', "F"); }, 49},
        {"autoboot ACK", kAck, [] { return HM_autoboot(kPort, 'A', "P"); }, 0},
        {"autoboot s1", status_answer('O', 1), [] { return HM_autoboot(kPort, 'A', "P"); }, 48},
        {"upload mode s1", status_answer('Q', 1), [] { return HM_upload_mode(kPort, 'A'); }, 80},
        {"upload mode ACK", kAck, [] { return HM_upload_mode(kPort, 'A'); }, 5},
        {"exe size s1", status_answer('F', 1), [] { return HM_exe_size(kPort, 'A', 1); }, 64},
        {"exe size s2", status_answer('F', 2), [] { return HM_exe_size(kPort, 'A', 1); }, 65},
        {"set address s1", status_answer('5', 1), [] { return HM_set_address(kPort, 'A', 'C'); },
         2},
        {"bar table s0", status_answer('B', 0), [] { return HM_bar_tab(kPort, 'A', "x"); }, 0},
        {"bar table ACK", kAck, [] { return HM_bar_tab(kPort, 'A', "x"); }, 5},
        {"password s1", status_answer('P', 1), [] { return HM_password(kPort, 'A', "pw"); }, 2},
        {"keypad s1", status_answer('K', 1), [] { return HM_keypad(kPort, 'A', 1); }, 2},
        {"keymap data", status_answer('K', 0), [] { return HM_keymap(kPort, 'A', 1); }, 5},
        {"buzzer EOT", kEot, [] { return HM_buzzer(kPort, 'A', 1); }, 5},
        {"KD24 record ACK", kAck, [] { return HM_KD24_record(kPort, 'A', "r"); }, 0},
        {"send data ACK", kAck, [] { return HM_send_data(kPort, 'A', "hi"); }, 0},
    };
    for (const auto& c : cases) {
        int32_t result = -1;
        exchange(c.answer, c.call, &result);
        EXPECT_EQ(result, c.expected) << c.what;
    }
}

TEST_F(LinkCommands, ColdStartDataAnswerIsUnexpectedAfterAPause) {
    int32_t result = -1;
    const int64_t start = now_ms();
    exchange(
        kEot, [] { return HM_cold_start(kPort, 'A'); }, &result);
    EXPECT_EQ(result, RC_UNKNOWN_RESPONSE);
    EXPECT_GE(now_ms() - start, 100);
}

TEST_F(LinkCommands, PowerSavingColumnsDecideWakeAndSleep) {
    HM_set_power_saving_status(1);
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        std::string letters;
    };
    const std::vector<Case> cases = {
        {"warm start wakes and sleeps", [] { return HM_warm_start(kPort, 'A'); }, "7A8"},
        {"terminal id stays awake", [] { return HM_terminal_id(kPort, 'A', nullptr); }, "7R"},
        {"ups does neither", [] { return HM_ups(kPort, 'A'); }, "F"},
        {"KD24 record does neither", [] { return HM_KD24_record(kPort, 'A', "x"); }, "?"},
    };
    for (const auto& c : cases) {
        const auto seen = exchange(kAck, c.call);
        EXPECT_EQ(letters_of(seen), c.letters) << c.what;
    }
}

TEST_F(LinkCommands, SetAddressSleepsTheNewAddress) {
    HM_set_power_saving_status(1);
    std::vector<Request> seen;
    peer().run([&seen](PtyPeer& p) {
        seen = serve(
            p, [](const Request& r) { return r.letter == '5' ? status_answer('5', 0) : kAck; });
    });
    EXPECT_EQ(HM_set_address(kPort, 'A', 'B'), RC_SUCCESS);
    peer().join();
    ASSERT_EQ(letters_of(seen), "758");
    EXPECT_EQ(seen[0].address, 0xC1);
    EXPECT_EQ(seen[1].address, 0xC1);
    EXPECT_EQ(seen[2].address, 0xC2);
}

TEST_F(LinkCommands, FailedWakeUpReturns9AndSendsNothing) {
    HM_set_power_saving_status(1);
    HM_set_time_out(10);
    std::vector<uint8_t> letters;
    peer().run([&](PtyPeer& p) {
        for (;;) {
            const Bytes request = p.read_request(1500);
            if (request.empty()) return;
            letters.push_back(request[2]);
        }
    });
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_POWER_SAVING_OFF_FAILED);
    peer().join();
    EXPECT_EQ(letters, Bytes(5, '7'));
}

TEST_F(LinkCommands, SizesAreReadFromTheirDigitFields) {
    std::array<int32_t, 5> s{};
    auto ram = [&s] { return HM_ram_size(kPort, 'A', &s[0], &s[1], &s[2], &s[3], &s[4]); };
    int32_t rc = -1;
    exchange(data_answer('G', "123456789"), ram, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s, (std::array<int32_t, 5>{123, 456, 789, 0, 0}));
    exchange(data_answer('G', "064001280512"), ram, &rc);
    EXPECT_EQ(s, (std::array<int32_t, 5>{640, 128, 512, 0, 0}));
    exchange(data_answer('G', "12345678901230456"), ram, &rc);
    EXPECT_EQ(s, (std::array<int32_t, 5>{123, 456, 789, 123, 456}));
    exchange(kEot, ram, &rc);
    EXPECT_EQ(rc, 5);
    EXPECT_EQ(s, (std::array<int32_t, 5>{0, 0, 0, 0, 0})) << "sizes are cleared on failure";

    int32_t total = -1, free_kb = -1;
    exchange(
        data_answer('G', "20480512"), [&] { return HM_flash_size(kPort, 'A', &total, &free_kb); },
        &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(total, 2048);
    EXPECT_EQ(free_kb, 512);
}

TEST_F(LinkCommands, FileExistReadsLengthAndStatus) {
    int32_t length = -1;
    auto exist = [&length] { return HM_file_exist(kPort, 'A', "DATA.TXT", &length); };
    int32_t rc = -1;
    exchange(data_answer('J', Bytes{0, '1', '2', '3', '4'}), exist, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(length, 1234);
    exchange(data_answer('J', Bytes{2, ' ', '5', '6'}), exist, &rc);
    EXPECT_EQ(rc, RC_FROM_FLASH_ROM);
    EXPECT_EQ(length, 56);
    length = -1;
    exchange(data_answer('J', Bytes{1}), exist, &rc);
    EXPECT_EQ(rc, RC_NOT_EXIST);
    EXPECT_EQ(length, -1) << "out-values are written only on success";
    exchange(kAck, exist, &rc);
    EXPECT_EQ(rc, RC_UNKNOWN_RESPONSE);
}

TEST_F(LinkCommands, DataAnswerWithoutItsStatusByteIsUnknown) {
    const Bytes no_status = data_answer('J', Bytes{});  // lead byte and letter only
    int32_t length = -1;
    int32_t rc = -1;
    exchange(
        no_status, [&length] { return HM_file_exist(kPort, 'A', "F", &length); }, &rc);
    EXPECT_EQ(rc, RC_UNKNOWN_RESPONSE);
    EXPECT_EQ(length, -1);
    exchange(
        no_status, [] { return HM_delete(kPort, 'A', "F"); }, &rc);
    EXPECT_EQ(rc, RC_UNKNOWN_RESPONSE);
    exchange(
        no_status, [] { return HM_bar_tab(kPort, 'A', "x"); }, &rc);
    EXPECT_EQ(rc, RC_UNKNOWN_RESPONSE);
}

TEST_F(LinkCommands, ElevenBadChecksGive6UnderMapping2And3UnderMapping1) {
    HM_set_NAK_delay(1);
    HM_set_time_out(5000);
    Bytes bad = data_answer('N', Bytes{0});
    bad[bad.size() - 2] ^= 0x01;  // the low check character alone is wrong
    auto answer_badly = [&bad](PtyPeer& p) {
        p.read_request();
        for (int i = 0; i < 11; ++i) {
            p.send(bad);
            if (p.read_bytes(1) != Bytes{0x15}) return;
        }
    };
    peer().run(answer_badly);
    EXPECT_EQ(HM_buzzer(kPort, 'A', 1), RC_BCC_ERROR);
    peer().join();
    peer().run(answer_badly);
    EXPECT_EQ(HM_download11(kPort, 'A', "F"), RC_BCC_ERROR);
    peer().join();
    peer().run(answer_badly);
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_HOST_NAK);
    peer().join();
    HM_set_time_out(400);
}

TEST_F(LinkCommands, DirectoryListingJoinsItsParts) {
    int part = 0;
    peer().run([&part](PtyPeer& p) {
        serve(
            p,
            [&part](const Request&) {
                return ++part == 1 ? data_answer('D', "A.EXE,B.DAT\\") : data_answer('D', "D.TXT");
            },
            300);
    });
    std::array<char, VANTLINK_DIR_LISTING> listing{};
    EXPECT_EQ(HM_dir(kPort, 'A', listing.data()), RC_SUCCESS);
    peer().join();
    EXPECT_STREQ(listing.data(), "A.EXE,B.DAT,D.TXT");
    EXPECT_EQ(HM_get_return_string_length(0), 17);
}

TEST_F(LinkCommands, DirectoryTimeOutKeepsThePartsSoFar) {
    HM_set_time_out(50);
    peer().run([](PtyPeer& p) {
        p.read_request();
        p.send(data_answer('D', "\\A.EXE,B.DAT\\"));
        p.read_bytes(1);
    });
    std::array<char, VANTLINK_DIR_LISTING> listing{};
    EXPECT_EQ(HM_dir_ROM(kPort, 'A', listing.data()), RC_TIME_OUT);
    EXPECT_STREQ(listing.data(), "A.EXE,B.DAT,");
}

TEST_F(LinkCommands, EndlessListingIsCutToTheBuffer) {
    peer().run([](PtyPeer& p) {
        serve(
            p, [](const Request&) { return data_answer('D', std::string(200, 'F') + "\\"); }, 300);
    });
    std::array<char, VANTLINK_DIR_LISTING + 16> listing{};
    listing.fill('\x7f');
    EXPECT_EQ(HM_dir(kPort, 'A', listing.data()), RC_UNKNOWN_RESPONSE);
    EXPECT_EQ(std::strlen(listing.data()), VANTLINK_DIR_LISTING - 1u);
    EXPECT_EQ(listing[VANTLINK_DIR_LISTING], '\x7f');
}

TEST_F(LinkCommands, TextResultsAreCopiedAndCutToTheirRoom) {
    std::array<char, 300> text{};
    int32_t rc = -1;
    exchange(
        data_answer('R', "KT05-A0 ID"), [&] { return HM_terminal_id(kPort, 'A', text.data()); },
        &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_STREQ(text.data(), "KT05-A0 ID");
    EXPECT_EQ(HM_get_return_string_length(0), 10);

    exchange(
        status_answer('I', 1), [&] { return HM_exec_file(kPort, 'A', text.data()); }, &rc);
    EXPECT_EQ(rc, RC_NO_PROGRAM);

    text.fill('\x7f');
    exchange(
        data_answer('v', std::string(200, 'v')),
        [&] { return HM_firmware_version(kPort, 'A', text.data()); }, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::strlen(text.data()), 97u);
    EXPECT_EQ(text[98], '\x7f');

    text.fill('\x7f');
    exchange(
        data_answer('9', std::string(252, 's')),
        [&] { return HM_sendback(kPort, 'A', "s", text.data()); }, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::strlen(text.data()), 252u);
    EXPECT_EQ(text[253], '\x7f');
}

TEST_F(LinkCommands, UnsendableArgumentsAreRefusedWithoutSending) {
    std::vector<uint8_t> letters;
    peer().run([&](PtyPeer& p) {
        for (;;) {
            const Bytes request = p.read_request(400);
            if (request.empty()) return;
            letters.push_back(request[2]);
            p.send(kAck);
        }
    });
    const std::string controls(128, '\x01');  // 256 bytes encoded: one more than fits
    EXPECT_EQ(HM_send_data(kPort, 'A', controls.c_str()), RC_ILLEGAL_COMMAND);
    EXPECT_EQ(HM_exe_size(kPort, 'A', 1000), RC_ILLEGAL_COMMAND);
    EXPECT_EQ(HM_exe_size(kPort, 'A', -1), RC_ILLEGAL_COMMAND);
    EXPECT_EQ(HM_send_data1(kPort, 'A', nullptr, -5), RC_ILLEGAL_COMMAND);
    const std::string fits(127, '\x01');
    EXPECT_EQ(HM_send_data(kPort, 'A', fits.c_str()), RC_SUCCESS);
    peer().join();
    EXPECT_EQ(letters, Bytes{'0'});
}

TEST_F(LinkCommands, SendDataEncodesItsBytes) {
    const unsigned char data[] = {0x00, 0x5C, 0xDC, 0xFF, 0x41};
    const auto seen = exchange(kAck, [&] { return HM_send_data1(kPort, 'A', data, 5); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].data, (Bytes{0x5C, 0x80, 0x5C, 0x5C, 0xDC, 0x5C, 0x7F, 0x41}));
}
