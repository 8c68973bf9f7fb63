// Wire bytes of requests and answers, checked against literal frames.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "frame.h"
#include "line_io.h"
#include "link_fixture.h"
#include "state.h"

using namespace linktest;
using vantlink::command_exchange;
using vantlink::receive_frame;
using vantlink::send_frame;

namespace {

const Bytes kGoodAnswer = {0x02, 0x1B, 0x59, 0x61, 0x62, 0x63, 0x49, 0x4F, 0x03};
const Bytes kBadCheckAnswer = {0x02, 0x1B, 0x59, 0x61, 0x62, 0x63, 0x49, 0x4E, 0x03};

Bytes encode(const Bytes& in) {
    std::vector<uint8_t> out(in.size() * 2 + 1);
    out.resize(vantlink::encode_data(in, out));
    return out;
}

Bytes decode(const Bytes& in) {
    std::vector<uint8_t> out(in.size() + 1);
    out.resize(vantlink::decode_data(in, out));
    return out;
}

}  // namespace

TEST(LinkEncoding, LiteralVectorsBothWays) {
    const std::vector<std::pair<Bytes, Bytes>> vectors = {
        {{0x00}, {0x5C, 0x80}}, {{0x5C}, {0x5C, 0x5C}}, {{0xDC}, {0xDC}},
        {{0xFF}, {0x5C, 0x7F}}, {{0x02}, {0x5C, 0x82}}, {{0x41, 0x9F}, {0x41, 0x9F}},
        {{0xA0}, {0x5C, 0x20}}, {{0x1F}, {0x5C, 0x9F}},
    };
    for (const auto& [plain, coded] : vectors) {
        EXPECT_EQ(encode(plain), coded);
        EXPECT_EQ(decode(coded), plain);
    }
}

TEST(LinkEncoding, NeverWritesPastTheOutputAndKeepsPairsWhole) {
    std::array<uint8_t, 4> out{0xEE, 0xEE, 0xEE, 0xEE};
    const Bytes in = {0x41, 0x00, 0x42};  // needs 4 bytes and a NUL
    const size_t n = vantlink::encode_data(in, std::span<uint8_t>(out.data(), 3));
    EXPECT_EQ(n, 1u);  // the 5C 80 pair would not fit with its NUL
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(out[3], 0xEE);
}

TEST(LinkEncoding, DecodingRecordsTheLastLengthAndStaysInTheBuffer) {
    std::array<uint8_t, 3> out{};
    const Bytes in = {0x61, 0x62, 0x63, 0x64, 0x65};
    EXPECT_EQ(vantlink::decode_data(in, out), 2u);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(vantlink::state().last_decoded_length, 2);
}

class LinkFrame : public LinkFixture {};

TEST_F(LinkFrame, RequestsAreTheLiteralBytes) {
    send_frame(kPort, 'A', 'A', {});
    EXPECT_EQ(peer().read_bytes(6), (Bytes{0x02, 0x1B, 0x41, 0x41, 0x4F, 0xC1}));
    send_frame(kPort, 'B', 'E', vantlink::request_data("abc"));
    EXPECT_EQ(peer().read_bytes(9), (Bytes{0x02, 0x1B, 0x45, 0x61, 0x62, 0x63, 0x44, 0x4D, 0xC2}));
}

TEST_F(LinkFrame, RequestDataStopsAtNulAndAt256Bytes) {
    std::string long_text(300, 'a');
    send_frame(kPort, 'A', 'E', vantlink::request_data(long_text.c_str()));
    const Bytes frame = peer().read_bytes(300 + 6, 500);
    ASSERT_EQ(frame.size(), 256u + 6u);
    EXPECT_EQ(frame.back(), 0xC1);
    // 02 + 1B + 45 + 256 * 61 + C1 + 256 (mod 256) = 0x23
    EXPECT_EQ(frame[frame.size() - 3], 0x42);
    EXPECT_EQ(frame[frame.size() - 2], 0x43);
}

TEST_F(LinkFrame, PollRequestIsStxAndAddressByte) {
    peer().run([](PtyPeer& p) {
        EXPECT_EQ(p.read_bytes(2), (Bytes{0x02, 0xC1}));
        p.send({0x04});
    });
    std::array<unsigned char, 256> buffer{};
    int32_t length = -1;
    EXPECT_EQ(HM_poll(kPort, 'A', buffer.data(), &length), RC_NO_DATA);
}

TEST_F(LinkFrame, GoodAnswerIsAcknowledgedOnceAndDecoded) {
    peer().run([](PtyPeer& p) {
        p.send(kGoodAnswer);
        EXPECT_EQ(p.read_all(), (Bytes{0x06}));
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    ASSERT_EQ(receive_frame(kPort, answer, length), LINK_DATA);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 6), (Bytes{0x1B, 0x59, 0x61, 0x62, 0x63, 0}));
}

TEST_F(LinkFrame, BadCheckIsNakedThenTheResentAnswerAccepted) {
    peer().run([](PtyPeer& p) {
        p.send(kBadCheckAnswer);
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x15}));
        p.send(kGoodAnswer);
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x06}));
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    EXPECT_EQ(receive_frame(kPort, answer, length), LINK_DATA);
    EXPECT_EQ(length, 5);
}

TEST_F(LinkFrame, NoiseBeforeStxIsDroppedEvenAnEtx) {
    peer().run([](PtyPeer& p) {
        const Bytes noisy = {0x41, 0x03, 0xFF, 0x20, 0x02, 0x1B, 0x59,
                             0x61, 0x62, 0x63, 0x49, 0x4F, 0x03};
        p.send(noisy);
        EXPECT_EQ(p.read_all(), (Bytes{0x06}));
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    EXPECT_EQ(receive_frame(kPort, answer, length), LINK_DATA);
    EXPECT_EQ(length, 5);
}

TEST_F(LinkFrame, SingleBytesEndTheReceiveEvenInsideAFrame) {
    const std::vector<std::pair<uint8_t, int>> cases = {
        {0x04, LINK_EOT}, {0x06, LINK_ACK}, {0x15, LINK_NAK}};
    for (const auto& [byte, outcome] : cases) {
        peer().run([byte = byte](PtyPeer& p) { p.send({0x02, 0x1B, 0x59, byte}); });
        std::array<uint8_t, 256> answer{};
        int32_t length = 0;
        EXPECT_EQ(receive_frame(kPort, answer, length), outcome);
        peer().join();
        vantlink::port_purge(kPort);
    }
}

TEST_F(LinkFrame, OverlongAndTooShortFramesAreRejectedLikeBadChecks) {
    peer().run([](PtyPeer& p) {
        Bytes overlong = {0x02};
        overlong.insert(overlong.end(), 400, 0x41);
        overlong.push_back(0x03);
        p.send(overlong);
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x15}));
        p.send({0x02, 0x40, 0x03});  // one byte before ETX
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x15}));
        p.send(kGoodAnswer);
        EXPECT_EQ(p.read_bytes(1), (Bytes{0x06}));
    });
    HM_set_time_out(3000);
    std::array<uint8_t, 300> answer{};
    answer.fill(0xEE);
    int32_t length = 0;
    EXPECT_EQ(receive_frame(kPort, std::span<uint8_t>(answer.data(), 256), length), LINK_DATA);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(answer[256], 0xEE);
}

TEST_F(LinkFrame, ElevenBadChecksEndWithBccErrorAfterElevenNaks) {
    HM_set_time_out(5000);
    HM_set_NAK_delay(1);
    std::atomic<int> naks{0};
    peer().run([&naks](PtyPeer& p) {
        for (int i = 0; i < 11; ++i) {
            p.send(kBadCheckAnswer);
            if (p.read_bytes(1) == Bytes{0x15}) ++naks;
        }
        EXPECT_TRUE(p.read_all(100).empty());
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    EXPECT_EQ(receive_frame(kPort, answer, length), LINK_BCC_ERROR);
    peer().join();
    EXPECT_EQ(naks, 11);
}

TEST_F(LinkFrame, TimeOutCountsFromTheStartOfTheReceiveNotPerByte) {
    HM_set_time_out(150);
    peer().run([](PtyPeer& p) {
        // Each byte comes well within 150 ms of the last, but the whole answer does not.
        for (uint8_t byte : kGoodAnswer) {
            p.send({byte});
            usleep(30000);
        }
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    const int64_t start = now_ms();
    EXPECT_EQ(receive_frame(kPort, answer, length), LINK_TIMEOUT);
    const int64_t took = now_ms() - start;
    EXPECT_GE(took, 150);
    EXPECT_LT(took, 600);
}

TEST_F(LinkFrame, NegativeTimeOutExpiresOnTheFirstPass) {
    HM_set_time_out(-1);
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    const int64_t start = now_ms();
    EXPECT_EQ(receive_frame(kPort, answer, length), LINK_TIMEOUT);
    EXPECT_LT(now_ms() - start, 150);
}

class LinkExchange : public LinkFixture {};

TEST_F(LinkExchange, TenNaksEndAfterExactlyTenSends) {
    HM_set_NAK_delay(1);
    HM_set_ESC_delay(0);
    std::atomic<int> requests{0};
    peer().run([&requests](PtyPeer& p) {
        for (;;) {
            const Bytes request = p.read_request(500);
            if (request.empty()) return;
            EXPECT_EQ(request, (Bytes{0x02, 0x1B, 0x41, 0x41, 0x4F, 0xC1}));
            ++requests;
            p.send({0x15});
        }
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    EXPECT_EQ(command_exchange(kPort, 'A', 'A', {}, answer, length), LINK_NAK);
    peer().join();
    EXPECT_EQ(requests, 10);
}

TEST_F(LinkExchange, NakThenAckResendsTheSameRequestOnce) {
    HM_set_NAK_delay(20);
    peer().run([](PtyPeer& p) {
        const Bytes first = p.read_request();
        const int64_t naked = now_ms();
        p.send({0x15});
        const Bytes second = p.read_request();
        EXPECT_GE(now_ms() - naked, 19);  // NAK delay before the resend
        EXPECT_EQ(first, second);
        p.send({0x06});
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    EXPECT_EQ(command_exchange(kPort, 'B', 'E', vantlink::request_data("abc"), answer, length),
              LINK_ACK);
}

TEST_F(LinkExchange, EscDelayComesBeforeTheAckAndAfterTheExchange) {
    HM_set_ESC_delay(40);
    std::atomic<int64_t> ack_after{0};
    peer().run([&ack_after](PtyPeer& p) {
        p.read_request();
        p.send(kGoodAnswer);
        const int64_t sent = now_ms();
        if (p.read_bytes(1) == Bytes{0x06}) ack_after = now_ms() - sent;
    });
    std::array<uint8_t, 256> answer{};
    int32_t length = 0;
    const int64_t start = now_ms();
    EXPECT_EQ(command_exchange(kPort, 'A', 'Y', {}, answer, length), LINK_DATA);
    const int64_t took = now_ms() - start;
    peer().join();
    EXPECT_GE(ack_after, 39);
    EXPECT_GE(took, 80);  // one ESC delay before the ACK, one after the exchange
}

TEST_F(LinkExchange, AnswerMayShareTheRequestBuffer) {
    peer().run([](PtyPeer& p) {
        EXPECT_EQ(p.read_request(), (Bytes{0x02, 0x1B, 0x45, 0x61, 0x62, 0x63, 0x44, 0x4D, 0xC2}));
        p.send(kGoodAnswer);
    });
    std::array<uint8_t, 256> buffer{'a', 'b', 'c'};
    int32_t length = 0;
    EXPECT_EQ(command_exchange(kPort, 'B', 'E', std::span<const uint8_t>(buffer.data(), 3), buffer,
                               length),
              LINK_DATA);
    EXPECT_EQ(buffer[1], 0x59);
}

namespace {

// A port whose drain holds the caller longer than the whole time-out, as a slow line with a
// long request does; the terminal's ACK follows a short turn-around after the drain.
class SlowDrainTransport final : public vantlink::Transport {
public:
    explicit SlowDrainTransport(int drain_ms) : drain_ms_(drain_ms) {}
    bool write(std::span<const uint8_t>) override { return true; }
    int read_byte() override {
        if (answer_at_ms_ < 0 || now_ms() < answer_at_ms_) return -1;
        answer_at_ms_ = -1;
        return 0x06;
    }
    void purge() override { answer_at_ms_ = -1; }
    void drain() override {
        usleep(static_cast<useconds_t>(drain_ms_) * 1000);
        answer_at_ms_ = now_ms() + 20;
    }
    void wait_readable(int timeout_ms) override { usleep(1000 * std::min(timeout_ms, 5)); }
    const char* name() const override { return "SLOW"; }

private:
    int drain_ms_;
    int64_t answer_at_ms_ = -1;
};

}  // namespace

TEST(LinkTimeOut, WindowOpensOnlyOnceTheRequestHasLeft) {
    constexpr int kSlowPort = 3;
    HM_set_time_out(100);
    HM_set_ESC_delay(0);
    vantlink::install_transport(kSlowPort, std::make_unique<SlowDrainTransport>(300));
    EXPECT_EQ(HM_warm_start(kSlowPort, 'A'), RC_SUCCESS);
    vantlink::install_transport(kSlowPort, nullptr);
    HM_set_time_out(400);
    HM_set_ESC_delay(10);
}

TEST(LinkTimeOut, WaitArithmeticHoldsOverTheWholeRange) {
    // Settings are stored unchecked, so a window may be as long or as short as int32 allows.
    vantlink::TickWindow longest(INT32_MAX);
    EXPECT_FALSE(longest.expired());
    EXPECT_GE(longest.remaining(), 1);
    vantlink::TickWindow shortest(INT32_MIN);
    HM_time_delay(2);
    EXPECT_TRUE(shortest.expired());
    EXPECT_EQ(shortest.remaining(), 1);
    EXPECT_GE(HM_time_delay(INT32_MIN), 0);
    EXPECT_GE(HM_time_delay(-1), 0);
}
