// The Hayes modem in front of the line: command state, dialling, data state, escape, carrier.
#include <gtest/gtest.h>

#include <thread>

#include "termsim_process.h"

namespace termsim_test {
namespace {

constexpr std::uint8_t EOT = 0x04;

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string as_text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Sends a command line and reads the echo and the result line.
std::string modem_command(TermsimProcess& sim, const std::string& line,
                          std::chrono::milliseconds limit = 2000ms) {
    const std::string result_prefix = line + "\r\r\n";
    sim.write(text(line + "\r"));
    std::string got = as_text(sim.read(result_prefix.size(), limit));
    // The result ends with its second CR LF.
    while (got.size() < result_prefix.size() + 3 || got.substr(got.size() - 2) != "\r\n") {
        const Bytes more = sim.read(1, limit);
        if (more.empty()) break;
        got += static_cast<char>(more[0]);
    }
    return got;
}

void escape_to_command_state(TermsimProcess& sim) {
    std::this_thread::sleep_for(250ms);  // guard time before the escape
    sim.write(text("+"));
    std::this_thread::sleep_for(300ms);
    sim.write(text("+"));
    std::this_thread::sleep_for(300ms);
    sim.write(text("+"));
}

TEST(TermsimModem, CommandStateEchoesAndAnswers) {
    TermsimProcess sim({"--modem", "--terminal", "A"});
    EXPECT_EQ(modem_command(sim, "AT"), "AT\r\r\nOK\r\n");
    // The capture of the echo then OK reads OKS0=1 on the host: the echo comes first.
    EXPECT_EQ(modem_command(sim, "ATS0=1"), "ATS0=1\r\r\nOK\r\n");
    EXPECT_EQ(modem_command(sim, "ATE1 V1 X4 &C1"), "ATE1 V1 X4 &C1\r\r\nOK\r\n");
    EXPECT_EQ(modem_command(sim, "ATJ"), "ATJ\r\r\nERROR\r\n");
    // A number too long for an int: the modem keeps answering (no overflow under UBSan).
    EXPECT_EQ(modem_command(sim, "ATS7=99999999999"), "ATS7=99999999999\r\r\nOK\r\n");
    EXPECT_EQ(modem_command(sim, "HELLO"), "HELLO\r\r\nERROR\r\n");
    // In command state nothing reaches the terminals: a poll is only echoed.
    EXPECT_EQ(sim.exchange(poll_request('A'), 3, 300ms), poll_request('A'));
}

TEST(TermsimModem, DialConnectsAndPassesTheLineThrough) {
    TermsimProcess sim(
        {"--modem", "--baud", "19200", "--number", "777=connect:400", "--terminal", "A"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(modem_command(sim, "ATDT777"), "ATDT777\r\r\nCONNECT 19200\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 390ms);
    EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT}));

    escape_to_command_state(sim);
    EXPECT_EQ(as_text(sim.read(6, 1000ms)), "\r\nOK\r\n");
    // Back in command state the poll is only echoed.
    EXPECT_EQ(sim.exchange(poll_request('A'), 3, 300ms), poll_request('A'));
    EXPECT_EQ(modem_command(sim, "ATH"), "ATH\r\r\nOK\r\n");
}

TEST(TermsimModem, EscapeNeedsTheGuardTime) {
    TermsimProcess sim({"--modem", "--terminal", "A"});
    EXPECT_EQ(modem_command(sim, "ATDT1"), "ATDT1\r\r\nCONNECT 9600\r\n");
    // Pluses right after other data are data.
    sim.write(text("x+++"));
    EXPECT_TRUE(sim.read_for(500ms).empty());
    EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT}));
}

TEST(TermsimModem, DialResultsFollowTheNumberPlan) {
    TermsimProcess sim({"--modem", "--number", "555=busy:50", "--number", "556=no-answer:50",
                        "--number", "557=no-carrier:50", "--terminal", "A"});
    EXPECT_EQ(modem_command(sim, "ATDT555"), "ATDT555\r\r\nBUSY\r\n");
    EXPECT_EQ(modem_command(sim, "ATDT556"), "ATDT556\r\r\nNO ANSWER\r\n");
    EXPECT_EQ(modem_command(sim, "ATDT557"), "ATDT557\r\r\nNO CARRIER\r\n");
    // The host pads the number with spaces from its phone book.
    EXPECT_EQ(modem_command(sim, "ATDT555   "), "ATDT555   \r\r\nBUSY\r\n");
}

TEST(TermsimModem, DroppedCarrierReportsNoCarrierAndReturnsToCommandState) {
    TermsimProcess sim({"--modem", "--fault-carrier", "1", "--terminal", "A"});
    EXPECT_EQ(modem_command(sim, "ATDT1"), "ATDT1\r\r\nCONNECT 9600\r\n");
    sim.write(poll_request('A'));
    EXPECT_EQ(as_text(sim.read(14)), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(modem_command(sim, "AT"), "AT\r\r\nOK\r\n");
}

}  // namespace
}  // namespace termsim_test
