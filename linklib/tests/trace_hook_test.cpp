// The caller's trace handler: every byte of the line, both ways, in order, and nothing after
// it is removed.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "link_fixture.h"

using namespace linktest;

namespace {

// A poll answered with a record: the request, the terminal's frame, the host's ACK.
const Bytes kPollRequest = {0x02, 0xC1};
const Bytes kRecordAnswer = {0x02, 0x1B, 0x59, 0x61, 0x62, 0x63, 0x49, 0x4F, 0x03};
const Bytes kAck = {0x06};

struct Call {
    int32_t direction;
    int32_t port;
    Bytes bytes;
};

struct Recorder {
    std::vector<Call> calls;
    bool removeOnFirstCall = false;
    bool callTheLibrary = false;
    std::vector<int32_t> refusals;  // what the library gave the handler's calls

    // Consecutive calls of one direction joined: the library may hand a burst over in pieces.
    std::vector<std::pair<int32_t, Bytes>> bursts() const {
        std::vector<std::pair<int32_t, Bytes>> joined;
        for (const Call& call : calls) {
            if (joined.empty() || joined.back().first != call.direction)
                joined.emplace_back(call.direction, Bytes{});
            joined.back().second.insert(joined.back().second.end(), call.bytes.begin(),
                                        call.bytes.end());
        }
        return joined;
    }
};

void record(void* context, int32_t direction, int32_t port, const unsigned char* bytes,
            int32_t count) {
    auto* recorder = static_cast<Recorder*>(context);
    recorder->calls.push_back({direction, port, Bytes(bytes, bytes + count)});
    if (recorder->removeOnFirstCall) HM_set_trace_handler(nullptr, nullptr);
    if (recorder->callTheLibrary) {
        recorder->refusals = {HM_CloseCommPort(port),    HM_OpenCommPort(port, 6, 8, 0, 1),
                              HM_warm_start(port, 'A'),  HM_upload11(port, 'A', "F"),
                              HM_download22(nullptr, 0), HC_getch(port)};
    }
}

class LinkTraceHook : public LinkFixture {
protected:
    void TearDown() override {
        HM_set_trace_handler(nullptr, nullptr);
        LinkFixture::TearDown();
    }

    int32_t pollOnce(const Bytes& answer, bool expectAck) {
        peer().run([answer, expectAck](PtyPeer& p) {
            EXPECT_EQ(p.read_bytes(2), kPollRequest);
            p.send(answer);
            if (expectAck) {
                EXPECT_EQ(p.read_bytes(1), kAck);
            }
        });
        std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
        int32_t length = 0;
        const int32_t result = HM_poll(kPort, 'A', buffer.data(), &length);
        peer().join();
        return result;
    }

    Recorder recorder;
};

}  // namespace

TEST_F(LinkTraceHook, SeesEveryByteOfAnExchangeBothWaysInOrder) {
    HM_set_trace_handler(&record, &recorder);
    ASSERT_EQ(pollOnce(kRecordAnswer, true), RC_SUCCESS);

    const std::vector<std::pair<int32_t, Bytes>> expected = {
        {TRACE_SENT, kPollRequest}, {TRACE_RECEIVED, kRecordAnswer}, {TRACE_SENT, kAck}};
    EXPECT_EQ(recorder.bursts(), expected);
    for (const Call& call : recorder.calls) {
        EXPECT_EQ(call.port, kPort);
        EXPECT_FALSE(call.bytes.empty()) << "a call without bytes";
    }
}

TEST_F(LinkTraceHook, RemovedOrNeverSetItIsNotCalled) {
    ASSERT_EQ(pollOnce({0x04}, false), RC_NO_DATA);
    EXPECT_TRUE(recorder.calls.empty());

    HM_set_trace_handler(&record, &recorder);
    ASSERT_EQ(pollOnce({0x04}, false), RC_NO_DATA);
    const auto seen = recorder.calls.size();
    EXPECT_EQ(recorder.bursts().size(), 2u);

    HM_set_trace_handler(nullptr, &recorder);
    ASSERT_EQ(pollOnce(kRecordAnswer, true), RC_SUCCESS);
    EXPECT_EQ(recorder.calls.size(), seen);
}

TEST_F(LinkTraceHook, HandlerMayRemoveItselfFromInsideACall) {
    recorder.removeOnFirstCall = true;
    HM_set_trace_handler(&record, &recorder);
    ASSERT_EQ(pollOnce(kRecordAnswer, true), RC_SUCCESS);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].bytes, kPollRequest);
}

// A handler that calls the library anyway, even to close the port it is writing: refused at
// once, and the exchange in progress goes on unharmed.
TEST_F(LinkTraceHook, CallsFromTheHandlerAreRefused) {
    recorder.callTheLibrary = true;
    HM_set_trace_handler(&record, &recorder);
    ASSERT_EQ(pollOnce(kRecordAnswer, true), RC_SUCCESS);
    EXPECT_EQ(recorder.refusals,
              (std::vector<int32_t>{0, 0, RC_TIME_OUT, RC_TIME_OUT, RC_NO_TRANSFER, 255}));
    EXPECT_EQ(recorder.bursts().size(), 3u);
    EXPECT_EQ(HM_CloseCommPort(kPort), 1) << "the port stayed open";
}
