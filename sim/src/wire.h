// Bytes and framing of the terminal line, seen from the terminal's side.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace termsim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kNul = 0x00;
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kBackslash = 0x5C;

// The host's receive buffer holds 256 bytes between STX and ETX, two of them the check.
inline constexpr std::size_t kMaxAnswerPayload = 254;

std::uint8_t address_byte(char address);
// True for characters whose address byte can end a request (>= 0xA0, not the encoded backslash).
bool is_valid_address(char address);
bool ends_request(std::uint8_t byte);

Bytes encode_data(std::span<const std::uint8_t> raw);
Bytes decode_data(std::span<const std::uint8_t> encoded);

std::uint8_t check_high(std::uint8_t check);
std::uint8_t check_low(std::uint8_t check);

// Check value of a command request: STX, ESC, letter, data, address byte and the data count.
std::uint8_t request_check(std::uint8_t letter, std::span<const std::uint8_t> data,
                           std::uint8_t address_byte);

// A data answer: STX, the payload as given, check high, check low, ETX.
Bytes frame_data_answer(std::span<const std::uint8_t> payload);
// The same with a check that cannot match (for fault injection).
Bytes frame_data_answer_bad_check(std::span<const std::uint8_t> payload);
// The same with only the high (or only the low) check character wrong.
Bytes frame_data_answer_bad_check_character(std::span<const std::uint8_t> payload, bool high);

// Payload of a command answer: the ESC lead byte travels as it is, the rest encoded.
Bytes command_answer_payload(char answer_letter, std::span<const std::uint8_t> body);

Bytes to_bytes(const std::string& text);
std::string to_text(std::span<const std::uint8_t> bytes);

}  // namespace termsim
