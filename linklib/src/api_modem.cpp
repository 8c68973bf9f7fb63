// Exports for raw bytes on a port and Hayes modem commands.
#include <array>
#include <cstring>

#include "line_io.h"
#include "modem.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr size_t kCaptureSize = 100;  // the answer line and its NUL
constexpr int32_t kEscapeGuardMs = 300;
constexpr int kNothing = 255;

struct ResultWord {
    const char* word;
    int32_t code;
};

// Tested in this order: "NO CARRIER" must win over "CARRIER".
constexpr std::array<ResultWord, 13> kResultWords = {{{"OK", 0},
                                                      {"CONNECT", 1},
                                                      {"RING", 2},
                                                      {"NO CARRIER", 3},
                                                      {"ERROR", 4},
                                                      {"NO DIALTONE", 6},
                                                      {"BUSY", 7},
                                                      {"NO ANSWER", 8},
                                                      {"DELAYED", 24},
                                                      {"BLACKLISTED", 32},
                                                      {"FAX", 33},
                                                      {"DATA", 35},
                                                      {"CARRIER", 40}}};

// Captures the text between the first and the second line feed, or what came until the
// time-out; CR is dropped. What came before the first line feed (the echo) is overwritten from
// the start, not cleared, as modems' answers have always been read here.
int32_t capture_reply(int32_t port, int32_t timeout_ms) {
    std::array<char, kCaptureSize> capture{};
    size_t position = 0;
    bool line_feed_seen = false;
    TickWindow window(timeout_ms);
    for (;;) {
        pump_messages();
        const int byte = HC_getch(port);
        if (byte == '\n') {
            if (line_feed_seen) break;
            position = 0;
            line_feed_seen = true;
        } else if (byte != '\r' && byte != kNothing) {
            // Longer lines are cut: the result word is at their start.
            if (position < kCaptureSize - 1) capture[position++] = static_cast<char>(byte);
        }
        if (window.expired() || waits_cut_short()) break;
        if (byte == kNothing) idle_on_port(port, window.remaining());
    }
    return classify_modem_reply(capture.data());
}

}  // namespace

namespace vantlink {

int32_t classify_modem_reply(const char* text) {
    for (const auto& [word, code] : kResultWords) {
        if (std::strncmp(text, word, std::strlen(word)) == 0) return code;
    }
    return kModemNoMatch;
}

}  // namespace vantlink

extern "C" {

int32_t HC_getch(int32_t port) {
    const int byte = port_read(port);
    return byte < 0 ? kNothing : byte;
}

int32_t HC_putch(int32_t port, int32_t ch) {
    return port_write_byte(port, static_cast<uint8_t>(ch & 0xFF)) ? 1 : 0;
}

int32_t HC_modem_cmd(int32_t port, const char* command, int32_t timeout_ms) {
    if (command != nullptr) {
        for (const char* c = command; *c != '\0'; ++c) HC_putch(port, static_cast<uint8_t>(*c));
    }
    HC_putch(port, '\r');
    return capture_reply(port, timeout_ms);
}

int32_t HC_modem_cmd_mode(int32_t port, int32_t timeout_ms) {
    pumped_wait(kEscapeGuardMs);
    HC_putch(port, '+');
    pumped_wait(kEscapeGuardMs);
    HC_putch(port, '+');
    HC_putch(port, '+');
    return capture_reply(port, timeout_ms);
}

}  // extern "C"
