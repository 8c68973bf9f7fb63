#include "wire.h"

namespace termsim {

std::uint8_t address_byte(char address) {
    return static_cast<std::uint8_t>(static_cast<unsigned char>(address) + 0x80);
}

bool ends_request(std::uint8_t byte) {
    return byte >= 0xA0 && byte != 0xDC;
}

bool is_valid_address(char address) {
    return ends_request(address_byte(address));
}

Bytes encode_data(std::span<const std::uint8_t> raw) {
    Bytes out;
    out.reserve(raw.size() * 2);
    for (std::uint8_t b : raw) {
        if (b < 0x20) {
            out.push_back(kBackslash);
            out.push_back(static_cast<std::uint8_t>(b + 0x80));
        } else if (b == kBackslash) {
            out.push_back(kBackslash);
            out.push_back(kBackslash);
        } else if (b >= 0xA0 && b != 0xDC) {
            out.push_back(kBackslash);
            out.push_back(static_cast<std::uint8_t>(b - 0x80));
        } else {
            out.push_back(b);
        }
    }
    return out;
}

Bytes decode_data(std::span<const std::uint8_t> encoded) {
    Bytes out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const std::uint8_t b = encoded[i];
        if (b != kBackslash || i + 1 == encoded.size()) {
            out.push_back(b);
            continue;
        }
        const std::uint8_t next = encoded[++i];
        if (next == kBackslash) {
            out.push_back(kBackslash);
        } else if (next >= 0x80 && next <= 0x9F) {
            out.push_back(static_cast<std::uint8_t>(next - 0x80));
        } else if (next >= 0x20 && next <= 0x7F) {
            out.push_back(static_cast<std::uint8_t>(next + 0x80));
        } else {
            // Not produced by any encoder: keep the byte rather than invent a value.
            out.push_back(next);
        }
    }
    return out;
}

std::uint8_t check_high(std::uint8_t check) {
    return static_cast<std::uint8_t>(0x40 + (check >> 4));
}

std::uint8_t check_low(std::uint8_t check) {
    return static_cast<std::uint8_t>(0x40 + (check & 0x0F));
}

std::uint8_t request_check(std::uint8_t letter, std::span<const std::uint8_t> data,
                           std::uint8_t address_byte) {
    unsigned sum = kStx + kEsc + letter + address_byte + static_cast<unsigned>(data.size());
    for (std::uint8_t b : data) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

static std::uint8_t answer_check(std::span<const std::uint8_t> payload) {
    unsigned sum = static_cast<unsigned>(payload.size());
    for (std::uint8_t b : payload) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

static Bytes frame_with_check(std::span<const std::uint8_t> payload, std::uint8_t check) {
    Bytes out;
    out.reserve(payload.size() + 4);
    out.push_back(kStx);
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(check_high(check));
    out.push_back(check_low(check));
    out.push_back(kEtx);
    return out;
}

Bytes frame_data_answer(std::span<const std::uint8_t> payload) {
    return frame_with_check(payload, answer_check(payload));
}

Bytes frame_data_answer_bad_check(std::span<const std::uint8_t> payload) {
    return frame_with_check(payload, static_cast<std::uint8_t>(answer_check(payload) ^ 0x5A));
}

Bytes frame_data_answer_bad_check_character(std::span<const std::uint8_t> payload, bool high) {
    // The host reads only the low four bits of each character, so the fault changes those.
    const std::uint8_t flip = high ? 0x50 : 0x0A;
    return frame_with_check(payload, static_cast<std::uint8_t>(answer_check(payload) ^ flip));
}

Bytes command_answer_payload(char answer_letter, std::span<const std::uint8_t> body) {
    Bytes letter_and_body;
    letter_and_body.push_back(static_cast<std::uint8_t>(answer_letter));
    letter_and_body.insert(letter_and_body.end(), body.begin(), body.end());
    Bytes payload{kEsc};
    const Bytes encoded = encode_data(letter_and_body);
    payload.insert(payload.end(), encoded.begin(), encoded.end());
    return payload;
}

Bytes to_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string to_text(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace termsim
