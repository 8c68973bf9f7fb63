// Encoding and checks against the literal bytes of the protocol's examples.
#include <gtest/gtest.h>

#include "request_parser.h"
#include "wire.h"

namespace termsim {
namespace {

TEST(TermsimWire, EncodesEachByteClassAsTheProtocolLists) {
    EXPECT_EQ(encode_data(Bytes{0x00}), (Bytes{0x5C, 0x80}));
    EXPECT_EQ(encode_data(Bytes{0x02}), (Bytes{0x5C, 0x82}));
    EXPECT_EQ(encode_data(Bytes{0x5C}), (Bytes{0x5C, 0x5C}));
    EXPECT_EQ(encode_data(Bytes{0xDC}), (Bytes{0xDC}));
    EXPECT_EQ(encode_data(Bytes{0xFF}), (Bytes{0x5C, 0x7F}));
    EXPECT_EQ(encode_data(Bytes{0xA0, 0x9F, 0x41}), (Bytes{0x5C, 0x20, 0x9F, 0x41}));
}

TEST(TermsimWire, DecodingUndoesEveryEncodedByte) {
    for (int b = 0; b < 256; ++b) {
        const Bytes raw{static_cast<std::uint8_t>(b), 0x41};
        EXPECT_EQ(decode_data(encode_data(raw)), raw) << "byte " << b;
    }
}

TEST(TermsimWire, CommandAnswerKeepsTheLeadByteAndEncodesTheRest) {
    // The upload block answer of the protocol's example: 02 1B 59 61 62 63 49 4F 03.
    EXPECT_EQ(frame_data_answer(command_answer_payload('Y', to_bytes("abc"))),
              (Bytes{0x02, 0x1B, 0x59, 0x61, 0x62, 0x63, 0x49, 0x4F, 0x03}));
    // Status byte 1 travels encoded as 5C 81.
    EXPECT_EQ(command_answer_payload('Q', Bytes{0x01}), (Bytes{0x1B, 0x51, 0x5C, 0x81}));
}

TEST(TermsimWire, ParsesRequestsAndChecksTheirCheckCharacters) {
    RequestParser parser;
    std::optional<Request> got;
    // Command E with abc to address B: check value 0x4D.
    for (std::uint8_t b : Bytes{0x02, 0x1B, 0x45, 0x61, 0x62, 0x63, 0x44, 0x4D, 0xC2}) {
        got = parser.feed(b, 0);
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(got->type, Request::Type::Command);
    EXPECT_EQ(got->letter, 'E');
    EXPECT_EQ(got->data, to_bytes("abc"));
    EXPECT_EQ(got->address_byte, 0xC2);
    EXPECT_TRUE(got->check_ok);

    for (std::uint8_t b : Bytes{0x02, 0x1B, 0x45, 0x61, 0x62, 0x63, 0x44, 0x4E, 0xC2}) {
        got = parser.feed(b, 0);
    }
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->check_ok);
}

TEST(TermsimWire, EncodedBackslashDoesNotEndARequest) {
    RequestParser parser;
    std::optional<Request> got;
    // Data 0x5C encoded in a send-data request: 5C 5C, then a byte 0xDC in the data.
    const Bytes data{0x5C, 0x5C, 0xDC};
    unsigned check = 0x02 + 0x1B + 0x30 + 0xC1 + 3 + 0x5C + 0x5C + 0xDC;
    Bytes frame{0x02, 0x1B, 0x30, 0x5C, 0x5C, 0xDC};
    frame.push_back(static_cast<std::uint8_t>(0x40 + ((check & 0xFF) >> 4)));
    frame.push_back(static_cast<std::uint8_t>(0x40 + (check & 0x0F)));
    frame.push_back(0xC1);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        got = parser.feed(frame[i], 0);
        if (i + 1 < frame.size()) {
            EXPECT_FALSE(got) << "ended early at " << i;
        }
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(got->data, data);
    EXPECT_TRUE(got->check_ok);
}

}  // namespace
}  // namespace termsim
