// The line as the host sees it: polling, framing, power saving, faults, pacing and trace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "termsim_process.h"

namespace termsim_test {
namespace {

constexpr std::uint8_t STX = 0x02, ETX = 0x03, EOT = 0x04, ACK = 0x06, NAK = 0x15;

TEST(TermsimStartup, PrintsSlavePathLinksItAndRemovesTheLinkOnStop) {
    TermsimProcess sim({"--terminal", "A"});
    EXPECT_EQ(std::filesystem::read_symlink(sim.link()).string(), sim.slave_path());
    const int status = sim.stop();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.link())));
}

TEST(TermsimStartup, ReplacesAStaleSymlink) {
    TermsimProcess first({"--terminal", "A"});
    const auto link = first.folder() / "stale";
    std::filesystem::create_symlink("/nonexistent/pts", link);
    TermsimProcess second({"--terminal", "B"}, link);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), second.slave_path());
    EXPECT_EQ(second.exchange(poll_request('B'), 1), (Bytes{EOT}));
}

TEST(TermsimStartup, PortCanBeOpenedAgainAfterExclusiveUse) {
    TermsimProcess sim({"--terminal", "A"});
    int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ioctl(fd, TIOCEXCL);
    close(fd);
    // A pseudo-terminal would keep the flag and refuse the next unprivileged open.
    int exclusive = 1;
    for (int attempt = 0; attempt < 100 && exclusive; ++attempt) {
        sim.read_for(10ms);
        fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ioctl(fd, TIOCGEXCL, &exclusive);
        close(fd);
    }
    EXPECT_EQ(exclusive, 0);
    EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT}));
}

TEST(TermsimPoll, AnswersEotWhenNothingIsWaiting) {
    TermsimProcess sim({"--terminal", "A"});
    EXPECT_EQ(sim.exchange({STX, 0xC1}, 1), (Bytes{EOT}));
}

TEST(TermsimPoll, RecordLeavesOnlyAfterAck) {
    const auto records = std::filesystem::temp_directory_path() /
                         ("termsim-records-" + std::to_string(getpid()) + ".txt");
    write_text_file(records, "abc\r\n\r\nxyz\n");
    TermsimProcess with_records({"--terminal", "A,records=" + records.string()});
    std::filesystem::remove(records);
    // "abc": (0x61 + 0x62 + 0x63 + 3) mod 256 = 0x29.
    const Bytes abc{STX, 0x61, 0x62, 0x63, 0x42, 0x49, ETX};
    EXPECT_EQ(with_records.exchange(poll_request('A'), 7), abc);
    // No acknowledgement: the next poll gets the same record.
    EXPECT_EQ(with_records.exchange(poll_request('A'), 7), abc);
    // NAK: sent again at once.
    EXPECT_EQ(with_records.exchange({NAK}, 7), abc);
    with_records.write({ACK});
    // The empty line was skipped; CR LF ended the first line.
    EXPECT_EQ(with_records.exchange(poll_request('A'), 7),
              (Bytes{STX, 0x78, 0x79, 0x7A, 0x46, 0x4E, ETX}));
    with_records.write({ACK});
    EXPECT_EQ(with_records.exchange(poll_request('A'), 1), (Bytes{EOT}));
}

TEST(TermsimPoll, GeneratedRecordsCarryAddressAndRunningNumber) {
    TermsimProcess sim({"--terminal", "B,generate=12x10"});
    const Bytes first = sim.exchange(poll_request('B'), 14);
    ASSERT_EQ(first.size(), 14u);
    EXPECT_EQ(std::string(first.begin() + 1, first.begin() + 4), "B01");
    sim.write({ACK});
    const Bytes second = sim.exchange(poll_request('B'), 14);
    ASSERT_EQ(second.size(), 14u);
    EXPECT_EQ(std::string(second.begin() + 1, second.begin() + 4), "B02");
}

TEST(TermsimCommand, WarmStartIsAcknowledgedAndBadCheckIsRefused) {
    TermsimProcess sim({"--terminal", "A"});
    EXPECT_EQ(sim.exchange({0x02, 0x1B, 0x41, 0x41, 0x4F, 0xC1}, 1), (Bytes{ACK}));
    EXPECT_EQ(sim.exchange({0x02, 0x1B, 0x41, 0x41, 0x4E, 0xC1}, 1), (Bytes{NAK}));
}

TEST(TermsimCommand, EitherWrongCheckCharacterAloneRefusesTheRequest) {
    TermsimProcess sim({"--terminal", "A"});
    const Bytes sleep = command_request('8', "", 'A');
    for (const std::size_t at : {sleep.size() - 3, sleep.size() - 2}) {  // check high, check low
        Bytes bad = sleep;
        bad[at] ^= 0x01;
        EXPECT_EQ(sim.exchange(bad, 1), (Bytes{NAK})) << at;
        // Not carried out: the terminal is still awake.
        EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT})) << at;
    }
    EXPECT_EQ(sim.exchange(sleep, 1), (Bytes{ACK}));
    EXPECT_TRUE(sim.exchange(poll_request('A'), 1, 300ms).empty());
}

TEST(TermsimCommand, OnlyTheAddressedTerminalAnswers) {
    TermsimProcess sim({"--terminal", "A", "--terminal", "B,generate=1x5"});
    // Nobody listens to C.
    EXPECT_TRUE(sim.exchange(command_request('A', "", 'C'), 1, 300ms).empty());
    EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT}));
    EXPECT_EQ(sim.exchange(poll_request('B'), 9).size(), 9u);
}

TEST(TermsimPowerSaving, SleepingTerminalIgnoresRequestsUntilNul) {
    TermsimProcess sim({"--terminal", "A,sleep=1,generate=1x4"});
    EXPECT_TRUE(sim.exchange(command_request('7', "", 'A'), 1, 300ms).empty());
    EXPECT_TRUE(sim.exchange(poll_request('A'), 1, 300ms).empty());
    sim.write({0x00});
    EXPECT_EQ(sim.exchange(command_request('7', "", 'A'), 1), (Bytes{ACK}));
    // Command 8 puts it back to sleep.
    EXPECT_EQ(sim.exchange(command_request('8', "", 'A'), 1), (Bytes{ACK}));
    EXPECT_TRUE(sim.exchange(poll_request('A'), 1, 300ms).empty());
    sim.write({0x00});
    EXPECT_EQ(sim.exchange(poll_request('A'), 8).size(), 8u);
}

std::vector<Bytes> answers_to_polls(std::uint64_t seed, int polls) {
    TermsimProcess sim({"--seed", std::to_string(seed), "--fault-nak", "0.5", "--terminal", "A"});
    std::vector<Bytes> answers;
    answers.reserve(static_cast<std::size_t>(polls));
    for (int i = 0; i < polls; ++i) answers.push_back(sim.exchange(poll_request('A'), 1));
    return answers;
}

TEST(TermsimFaults, SeededFaultsRepeat) {
    const auto first = answers_to_polls(7, 16);
    EXPECT_EQ(answers_to_polls(7, 16), first);
    const auto naks = std::count(first.begin(), first.end(), Bytes{NAK});
    const auto eots = std::count(first.begin(), first.end(), Bytes{EOT});
    EXPECT_GT(naks, 0);
    EXPECT_GT(eots, 0);
    EXPECT_EQ(naks + eots, 16);
}

// One letter per poll: N a NAK, G a good data answer, B one whose check fails.
std::string fault_pattern(const std::vector<std::string>& faults, int polls) {
    std::vector<std::string> args{"--seed", "7"};
    args.insert(args.end(), faults.begin(), faults.end());
    args.insert(args.end(), {"--terminal", "A,generate=1x3"});
    TermsimProcess sim(args);
    std::string pattern;
    for (int i = 0; i < polls; ++i) {
        sim.write(poll_request('A'));
        const Bytes answer = sim.read_answer();
        if (answer == Bytes{NAK}) {
            pattern += 'N';
        } else {
            pattern += decoded_payload(answer).empty() ? 'B' : 'G';
        }
    }
    return pattern;
}

TEST(TermsimFaults, OldSeedsKeepTheirFaults) {
    // Recorded before later fault kinds existed: an unused kind must not consume dice.
    const std::vector<std::string> faults{"--fault-nak", "0.3", "--fault-check", "0.4"};
    EXPECT_EQ(fault_pattern(faults, 24), "GNBNGNGBGGGNBNNNNBGBNGGN");
}

TEST(TermsimFaults, CorruptedCheckIsSentCorrectlyAfterNak) {
    TermsimProcess sim({"--fault-check", "0.5", "--terminal", "A,generate=1x3"});
    // "A1-": (0x41 + 0x31 + 0x2D + 3) mod 256 = 0xA2.
    const Bytes good{STX, 0x41, 0x31, 0x2D, 0x4A, 0x42, ETX};
    int bad_answers = 0;
    for (int poll = 0; poll < 10; ++poll) {
        Bytes answer = sim.exchange(poll_request('A'), 7);
        for (int resend = 0; answer != good && resend < 20; ++resend) {
            ASSERT_EQ(answer.size(), 7u);
            EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 4),
                      Bytes(good.begin(), good.begin() + 4));
            ++bad_answers;
            answer = sim.exchange({NAK}, 7);
        }
        EXPECT_EQ(answer, good);
    }
    EXPECT_GT(bad_answers, 0);
}

TEST(TermsimFaults, SilenceKeepsTheRecordAndNoiseComesBeforeTheAnswer) {
    {
        TermsimProcess sim({"--fault-silence", "1", "--terminal", "A,generate=1x3"});
        EXPECT_TRUE(sim.exchange(poll_request('A'), 1, 300ms).empty());
    }
    TermsimProcess sim({"--fault-noise", "1", "--terminal", "A"});
    const Bytes answer = sim.read_for(0ms);
    EXPECT_TRUE(answer.empty());
    sim.write(poll_request('A'));
    const Bytes noisy = sim.read_for(300ms);
    ASSERT_GE(noisy.size(), 2u);
    ASSERT_LE(noisy.size(), 6u);
    EXPECT_EQ(noisy.back(), EOT);
    for (std::size_t i = 0; i + 1 < noisy.size(); ++i) {
        EXPECT_GE(noisy[i], 0x20);
        EXPECT_LT(noisy[i], 0x7F);
    }
}

TEST(TermsimFaults, OneCheckCharacterFaultChangesOnlyHighOrOnlyLow) {
    TermsimProcess sim({"--fault-check1", "1", "--terminal", "A,generate=1x3"});
    const Bytes good{STX, 0x41, 0x31, 0x2D, 0x4A, 0x42, ETX};
    int high_only = 0, low_only = 0;
    Bytes answer = sim.exchange(poll_request('A'), 7);
    for (int resend = 0; resend < 16; ++resend) {
        ASSERT_EQ(answer.size(), 7u);
        EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 4), Bytes(good.begin(), good.begin() + 4));
        EXPECT_EQ(answer.back(), ETX);
        const bool high = answer[4] != good[4], low = answer[5] != good[5];
        EXPECT_NE(high, low) << "exactly one check character differs";
        EXPECT_TRUE(decoded_payload(answer).empty()) << "the host's check must fail";
        high_only += high;
        low_only += low;
        answer = sim.exchange({NAK}, 7);
    }
    EXPECT_GT(high_only, 0);
    EXPECT_GT(low_only, 0);
}

TEST(TermsimFaults, LateAnswerWaitsTheLateTime) {
    TermsimProcess sim({"--fault-late", "1", "--late-ms", "400", "--terminal", "A"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sim.exchange(poll_request('A'), 1), (Bytes{EOT}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 390ms);
}

TEST(TermsimPacing, AnswerTakesTheLineTimeOfRequestAndAnswer) {
    // 1200 baud: 8.33 ms per byte. Request 2 bytes, answer 7 bytes: about 67 ms after writing.
    TermsimProcess sim({"--baud", "1200", "--terminal", "A,generate=1x3"});
    sim.open_port();
    const auto start = std::chrono::steady_clock::now();
    const Bytes answer = sim.exchange(poll_request('A'), 7);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(answer.size(), 7u);
    EXPECT_GE(took, 62ms);
    EXPECT_LE(took, 250ms);  // generous: the machine is shared
}

TEST(TermsimTrace, WritesBurstsAndEventsInTheLibraryFormat) {
    TermsimProcess probe({"--terminal", "A"});
    const auto trace = probe.folder() / "trace.txt";
    {
        TermsimProcess sim({"--trace", trace.string(), "--terminal", "A,generate=1x3"});
        sim.exchange(poll_request('A'), 7);
        sim.write({ACK});
        sim.read_for(20ms);  // the host's pause after its ACK keeps the bursts apart
        EXPECT_EQ(sim.exchange(command_request('A', "", 'A'), 1), (Bytes{ACK}));
        sim.stop();
    }
    const std::string text = read_text_file(trace);
    EXPECT_NE(text.find(" < SIM STX C1\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" > SIM STX 41 31 2D 4A 42 ETX\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" < SIM ACK\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" < SIM STX ESC 41 41 4F C1\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" # A: record acknowledged"), std::string::npos) << text;
}

}  // namespace
}  // namespace termsim_test
