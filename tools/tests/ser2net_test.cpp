// vantctl end to end through ser2net: termsim's line served as tcp:// and rfc2217://, the server
// restarted under a poll, and servers that refuse or never answer.
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "ser2net_fixture.h"

namespace {

using simlaunch::free_local_port;
using vantctl_test::contains;
using vantctl_test::ProcessRun;
using vantctl_test::read_file;
using vantctl_test::write_file;

using Clock = std::chrono::steady_clock;

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

int64_t ms_since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Ser2net : public ser2net_test::Ser2netFixture {
protected:
    // Terminal address with count records "<address in lower case><n>"; adds their poll output.
    std::string terminal(char address, int count, std::string& polled) {
        const std::string prefix(1, static_cast<char>(std::tolower(address)));
        std::string lines;
        for (int n = 1; n <= count; ++n) {
            lines += prefix + std::to_string(n) + "\n";
            polled += std::string(1, address) + " " + prefix + std::to_string(n) + "\r\n";
        }
        write_file(dir_.file(prefix), lines);
        return std::string(1, address) + ",records=" + dir_.file(prefix);
    }
};

TEST_F(Ser2net, PollsOverBothProtocolsTakeEveryRecordOnceAndRfc2217SetsTheRate) {
    std::string from_a, from_b;
    serve({terminal('A', 3, from_a), terminal('B', 2, from_b)});

    // Raw TCP through the environment, as a port's device: no line settings reach the device.
    ProcessRun run = vantctl("--baud 38400 poll A", "VANTLINK_COM1='" + server_->tcp_url() + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, from_a);
    EXPECT_TRUE(contains(trace(), "host set the line to 9600 baud")) << trace();
    EXPECT_FALSE(contains(trace(), "host set the line to 38400 baud")) << trace();

    // A has nothing left: every record was taken once.
    run = over(server_->rfc2217_url(), "--baud 38400 poll AB");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, from_b);
    const std::string events = trace();
    EXPECT_EQ(count_of(events, "record acknowledged"), 5u) << events;
    // The rate reached the device before the first request did.
    const size_t rate_set = events.rfind("host set the line to 38400 baud");
    ASSERT_NE(rate_set, std::string::npos) << events;
    EXPECT_LT(rate_set, events.find("B: record acknowledged")) << events;
}

TEST_F(Ser2net, EveryByteValueCrossesRfc2217BothWays) {
    std::filesystem::create_directories(dir_.file("store/ram"));
    serve({"A,store=" + dir_.file("store")});
    // Every byte value, 0xFF (Telnet's escape) in a run among them, arrives as it was sent.
    std::string content;
    for (int i = 0; i < 512; ++i) content += static_cast<char>(i & 0xFF);
    content += std::string(5, '\xFF');
    write_file(dir_.file("ALL.BIN"), content);

    const ProcessRun down = over(server_->rfc2217_url(), "download A ALL.BIN");
    EXPECT_EQ(down.status, 0) << down.err;
    EXPECT_EQ(read_file(dir_.file("store/ram/ALL.BIN")), content);
    const ProcessRun up = over(server_->rfc2217_url(), "upload A ALL.BIN");
    EXPECT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(read_file(dir_.file("ADDR_A/ALL.BIN")), content);
}

TEST_F(Ser2net, DialsThroughTheModemOverRfc2217) {
    serve({"A"}, {"--modem", "--number", "555=busy:50"});
    const std::string url = server_->rfc2217_url();
    const ProcessRun busy = over(url, "dial 555");
    EXPECT_EQ(busy.status, 1);
    EXPECT_TRUE(contains(busy.err, "ATDT555: 7 BUSY")) << busy.err;

    const ProcessRun dial = over(url, "dial 123456 --wait 5");
    EXPECT_EQ(dial.status, 0) << dial.err;
    EXPECT_TRUE(contains(trace(), "modem: connected to 123456")) << trace();
    EXPECT_EQ(over(url, "id A").status, 0);
    const ProcessRun hangup = over(url, "hangup");
    EXPECT_EQ(hangup.status, 0) << hangup.err;
    EXPECT_TRUE(contains(trace(), "modem: hung up")) << trace();
    EXPECT_EQ(over(url, "--timeout 100 id A").status, 1);
}

// The server goes away while records are being taken and comes back a second later: records the
// terminal was not told were taken come again, none twice.
TEST_F(Ser2net, RestartOfTheServerUnderAPollLosesNoRecordAndTakesNoneTwice) {
    std::string expected;
    serve({terminal('A', 60, expected)});
    const std::string link_trace = dir_.file("vantctl-trace.txt");
    std::atomic<bool> restarted{false};
    std::atomic<size_t> taken_before_stop{0};
    std::thread restarter([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (count_of(trace(), "record acknowledged") < 10 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        server_->stop();
        taken_before_stop = count_of(trace(), "record acknowledged");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        restarted = server_->start().empty();
    });
    const ProcessRun run = over(server_->rfc2217_url(), "--timeout 200 poll A --until-idle 3",
                                "VANTLINK_TRACE='" + link_trace + "'");
    restarter.join();
    ASSERT_TRUE(restarted);
    EXPECT_EQ(run.out, expected);
    EXPECT_GE(taken_before_stop, 10u);
    EXPECT_LT(taken_before_stop, 60u);
    const std::string events = read_file(link_trace);
    EXPECT_EQ(count_of(events, " ! COM1 line lost"), 1u) << events;
    EXPECT_EQ(count_of(events, " ! COM1 line back"), 1u) << events;
    EXPECT_LT(events.find("line lost"), events.find("line back"));
}

// A server nobody runs refuses at once; one that never answers is given up after the time-out.
TEST_F(Ser2net, UnreachableServersFailWithTheirReason) {
    const int refusing = free_local_port();
    // A full accept queue (backlog 0, one connection waiting) makes Linux drop further SYNs.
    const int silent = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int queued = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(silent, 0), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);
    (void)connect(queued, reinterpret_cast<sockaddr*>(&address), size);
    const std::string silent_port = std::to_string(ntohs(address.sin_port));

    const struct {
        std::string url, reason;
        int64_t min_ms, max_ms;
    } cases[] = {
        {"tcp://127.0.0.1:" + std::to_string(refusing),
         "Connection refused by 127.0.0.1:" + std::to_string(refusing), 0, 500},
        {"rfc2217://127.0.0.1:" + std::to_string(refusing), "Connection refused by", 0, 500},
        {"rfc2217://127.0.0.1:" + silent_port, "No answer from 127.0.0.1:" + silent_port, 1000,
         2500},
    };
    for (const auto& c : cases) {
        const auto start = Clock::now();
        const ProcessRun run = over(c.url, "--timeout 1000 id A");
        const int64_t took = ms_since(start);
        EXPECT_EQ(run.status, 1) << c.url;
        EXPECT_TRUE(contains(run.err, "COM1 open error\n" + c.reason)) << run.err;
        EXPECT_GE(took, c.min_ms) << c.url;
        EXPECT_LT(took, c.max_ms) << c.url;
    }
    close(queued);
    close(silent);
}

}  // namespace
