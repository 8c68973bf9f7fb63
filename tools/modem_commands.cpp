// Reaching terminals through a modem: dial and hang up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "command_table.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

constexpr int32_t kModemOk = 0;
constexpr int32_t kModemConnect = 1;
constexpr int32_t kInitTimeoutMs = 1000;
constexpr int32_t kHangUpTimeoutMs = 3000;
constexpr int64_t kDefaultDialWaitS = 60;
constexpr const char* kDefaultInit = "ATS0=1";
constexpr size_t kMaxModemCommand = 99;  // the modem's answer line and a command line alike
constexpr size_t kMaxPhoneNumber = 30;

// A command line for the modem: a control character inside would end or break it.
const std::string& checked_modem_text(const std::string& text, size_t max_length,
                                      const std::string& what) {
    for (unsigned char c : checked_text(text, max_length, what)) {
        if (c < 0x20 || c == 0x7F) throw UsageError(what + " must not hold control characters");
    }
    return text;
}

std::string modem_word(int32_t code) {
    switch (code) {
        case 0:
            return "OK";
        case 1:
            return "CONNECT";
        case 2:
            return "RING";
        case 3:
            return "NO CARRIER";
        case 4:
            return "ERROR";
        case 6:
            return "NO DIALTONE";
        case 7:
            return "BUSY";
        case 8:
            return "NO ANSWER";
        case 24:
            return "DELAYED";
        case 32:
            return "BLACKLISTED";
        case 33:
            return "FAX";
        case 35:
            return "DATA";
        case 40:
            return "CARRIER";
        default:
            return "no answer understood";
    }
}

// Sends one command line and tells whether the modem gave the expected result.
bool modem_step(const Invocation& inv, const std::string& line, int32_t timeout_ms,
                int32_t expected) {
    const int32_t code = HC_modem_cmd(inv.link.port, line.c_str(), timeout_ms);
    if (code == expected) return true;
    std::fprintf(stderr, "vantctl %s: %s: %d %s\n", inv.command.c_str(), line.c_str(), code,
                 modem_word(code).c_str());
    return false;
}

int dial(const Invocation& inv) {
    const std::string& number =
        checked_modem_text(inv.word(0), kMaxPhoneNumber, "the phone number");
    const std::string init = inv.has("--init") ? inv.options.at("--init") : kDefaultInit;
    checked_modem_text(init, kMaxModemCommand, "the initial command");
    const int64_t wait_s = inv.has("--wait")
                               ? checked_number(inv.options.at("--wait"), 1, 120, "--wait")
                               : kDefaultDialWaitS;
    const LinkSession session(inv.link);
    if (!modem_step(inv, init, kInitTimeoutMs, kModemOk)) return 1;
    if (!modem_step(inv, "ATDT" + number, static_cast<int32_t>(wait_s * 1000), kModemConnect)) {
        // A modem still dialling stops at the next command line.
        HC_modem_cmd(inv.link.port, "ATH", kHangUpTimeoutMs);
        return 1;
    }
    return 0;
}

int hangup(const Invocation& inv) {
    const LinkSession session(inv.link);
    // The escape may find the modem in command state already; only the hang-up must succeed.
    const int32_t escape = HC_modem_cmd_mode(inv.link.port, kHangUpTimeoutMs);
    if (escape != kModemOk) {
        std::fprintf(stderr, "vantctl hangup: +++: %d %s\n", escape, modem_word(escape).c_str());
    }
    return modem_step(inv, "ATH", kHangUpTimeoutMs, kModemOk) ? 0 : 1;
}

}  // namespace

std::vector<CommandSpec> modem_commands() {
    return {
        make_spec("dial", "NUMBER [--init AT-COMMAND] [--wait SECONDS]",
                  "initialise the modem (ATS0=1) and dial; wait 1..120 s, 60", 1, 1, dial,
                  {{}, {"--init", "--wait"}}),
        make_spec("hangup", "", "bring the modem to command state and hang up", 0, 0, hangup),
    };
}

}  // namespace vantctl
