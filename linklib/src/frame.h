// The framed protocol: requests, answers, checks, encoding, exchanges with resends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantlink {

inline constexpr uint8_t STX = 0x02;
inline constexpr uint8_t ETX = 0x03;
inline constexpr uint8_t EOT = 0x04;
inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t NAK = 0x15;
inline constexpr uint8_t ESC = 0x1B;
inline constexpr uint8_t BACKSLASH = 0x5C;

inline constexpr size_t kMaxRequestData = 256;
inline constexpr size_t kReceiveBuffer = 256;  // payload and the two check characters
inline constexpr size_t kAnswerBuffer = 256;   // decoded answer and its NUL
inline constexpr int kMaxSends = 10;
inline constexpr int kMaxBadChecks = 10;  // the eleventh bad answer ends the exchange

uint8_t address_byte(int32_t address);

// Encodes for the wire; out must hold 2 * in.size() + 1 bytes (a NUL follows). Stops early
// rather than write past out. Returns the encoded length.
size_t encode_data(std::span<const uint8_t> in, std::span<uint8_t> out);

// Bytes the encoding of in takes, without the NUL.
size_t encoded_size(std::span<const uint8_t> in);

// Decodes a received payload; out must hold in.size() + 1 bytes (a NUL follows). Records the
// result as the last decoded length. Returns the decoded length.
size_t decode_data(std::span<const uint8_t> in, std::span<uint8_t> out);

// Check value of a request: STX + ESC + command + data + address byte + data length.
uint8_t request_check(uint8_t command, std::span<const uint8_t> data, uint8_t address);
// Check value of an answer: payload bytes + payload length.
uint8_t answer_check(std::span<const uint8_t> payload);

// Request data: the bytes up to the first NUL, at most 256.
std::span<const uint8_t> request_data(const char* text);

// Writes one request; false when it could not be written whole.
bool send_frame(int32_t port, int32_t address, uint8_t command, std::span<const uint8_t> data);

// Collects one answer; on LINK_DATA the answer holds the decoded bytes and a NUL, and length
// their count. The answer span needs room for at least one byte.
int receive_frame(int32_t port, std::span<uint8_t> answer, int32_t& length);

// One exchange with resends after NAK. answer may alias data: the request is written first.
int command_exchange(int32_t port, int32_t address, uint8_t command, std::span<const uint8_t> data,
                     std::span<uint8_t> answer, int32_t& length);

// The two ways commands turn an exchange outcome into a return code.
int32_t result_mapping_1(int outcome);
int32_t result_mapping_2(int outcome);

}  // namespace vantlink
