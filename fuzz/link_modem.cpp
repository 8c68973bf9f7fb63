// The modem answer classifier, on arbitrary reply text and on the line through the raw-port
// modem commands. Input byte 0 even: the rest is the reply text as given to the classifier;
// odd: the rest is the line script of link_fake_line.h answering a modem command.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>

#include "link_fake_line.h"
#include "modem.h"
#include "vantlink.h"

namespace {

constexpr int32_t kPort = 2;

void require_known_code(int32_t code) {
    for (int32_t known : {0, 1, 2, 3, 4, 6, 7, 8, 24, 32, 33, 35, 40, 200}) {
        if (code == known) return;
    }
    __builtin_trap();
}

void classify_text(std::span<const uint8_t> text) {
    // Exactly the text and its NUL, so a read past the NUL is caught.
    const auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    const int32_t code = vantlink::classify_modem_reply(copy.get());
    require_known_code(code);
    // Only the text before the first NUL counts.
    const size_t length = std::strlen(copy.get());
    if (length == 0 && code != vantlink::kModemNoMatch) __builtin_trap();
}

void command_on_line(std::span<const uint8_t> script, bool escape) {
    linkfuzz::FakeLine line(kPort, script);
    const int32_t code = escape ? HC_modem_cmd_mode(kPort, 2000) : HC_modem_cmd(kPort, "ATZ", 2000);
    require_known_code(code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        classify_text(rest);
    } else {
        command_on_line(rest, (data[0] & 2) != 0);
    }
    return 0;
}
