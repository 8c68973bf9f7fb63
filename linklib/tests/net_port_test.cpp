// Ports on a device server: URLs and their reasons, Telnet COM port control against a scripted
// server, raw TCP polls, and a connection that breaks and comes back.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "line_io.h"
#include "port_diagnosis.h"
#include "pty_peer.h"
#include "vantlink.h"

using namespace linktest;

namespace {

// A device server played by the test: one listening socket on 127.0.0.1, one client at a time.
class TcpPeer {
public:
    explicit TcpPeer(uint16_t port = 0) { listen_on(port); }
    ~TcpPeer() {
        drop_client();
        close(listener_);
    }
    void listen_on(uint16_t port) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        (void)bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        (void)listen(listener_, 4);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    void stop_listening() { close(std::exchange(listener_, -1)); }
    std::string url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }
    bool accept_client(int timeout_ms = 3000) {
        pollfd pfd{listener_, POLLIN, 0};
        if (poll(&pfd, 1, timeout_ms) <= 0) return false;
        drop_client();
        client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        return client_ >= 0;
    }
    void drop_client() {
        if (client_ >= 0) close(std::exchange(client_, -1));
    }
    Bytes read_bytes(size_t n, int timeout_ms = 2000) {
        Bytes out;
        const int64_t deadline = now_ms() + timeout_ms;
        while (out.size() < n && now_ms() < deadline) {
            pollfd pfd{client_, POLLIN, 0};
            uint8_t byte = 0;
            if (poll(&pfd, 1, static_cast<int>(deadline - now_ms())) > 0 &&
                read(client_, &byte, 1) == 1)
                out.push_back(byte);
        }
        return out;
    }
    void send(const Bytes& bytes) { (void)!write(client_, bytes.data(), bytes.size()); }
    uint16_t port() const { return port_; }

private:
    int listener_ = -1, client_ = -1;
    uint16_t port_ = 0;
};

std::string trace_text() {
    const char* path = std::getenv("VANTLINK_TRACE");
    std::ifstream in(path != nullptr ? path : "");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int count_of(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The bytes the port delivers within ms.
Bytes received(int32_t port, int ms) {
    Bytes out;
    const int64_t end = now_ms() + ms;
    while (now_ms() < end) {
        const int byte = vantlink::port_read(port);  // HC_getch cannot tell 0xFF from none
        if (byte >= 0) {
            out.push_back(static_cast<uint8_t>(byte));
        } else {
            HM_time_delay(1);
        }
    }
    return out;
}

const Bytes kPollAnswer = {0x02, 0x41, 0x31, 0x5C, 0x85, 0x45, 0x47, 0x03};

}  // namespace

// Every bad device URL is refused at once with its reason, the same from the open and from the
// diagnosis (which never opens a URL as a file).
TEST(LinkNetPort, BadUrlsAndUnreachableServersGiveTheirReason) {
    TcpPeer closed;
    closed.stop_listening();
    const std::string bad = "Bad device URL ";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"tcp://host", bad + "tcp://host: no port (SCHEME://HOST:PORT)"},
        {"tcp://host:", bad + "tcp://host:: no port (SCHEME://HOST:PORT)"},
        {"tcp://host:0", bad + "tcp://host:0: port 0 is outside 1..65535"},
        {"rfc2217://host:65536", bad + "rfc2217://host:65536: port 65536 is outside 1..65535"},
        {"tcp://host:80/x", bad + "tcp://host:80/x: the port must be a number from 1 to 65535"},
        {"udp://host:5", bad + "udp://host:5: unknown scheme udp (use tcp:// or rfc2217://)"},
        {"tcp://:5", bad + "tcp://:5: no host (SCHEME://HOST:PORT)"},
        {"tcp://[::1:5", bad + "tcp://[::1:5: no ] after the IPv6 address"},
        {"tcp://::1:5", bad + "tcp://::1:5: write an IPv6 address in brackets, as [::1]"},
        {"tcp://nonexistent.invalid:5", "Cannot resolve the host nonexistent.invalid: "},
        {closed.url("tcp"), "Connection refused by 127.0.0.1:" + std::to_string(closed.port()) +
                                ": is the device server running?"}};
    unsetenv("VANTLINK_COM4");
    for (const auto& [url, reason] : rows) {
        EXPECT_TRUE(vantlink::is_network_url(url));
        ASSERT_EQ(HC_set_port_device(4, url.c_str()), 1);
        const int64_t start = now_ms();
        EXPECT_EQ(HM_OpenCommPort(4, 6, 8, 0, 1), 0) << url;
        EXPECT_LT(now_ms() - start, 1000) << url;
        const std::string trace = trace_text();
        const std::string said = trace.substr(trace.rfind("COM4 open error: ") + 17);
        EXPECT_EQ(said.substr(0, said.find('\n')).rfind(reason, 0), 0u) << said;
        EXPECT_EQ(vantlink::diagnose_port("VANTLINK_COM", 4, url).rfind(reason, 0), 0u) << url;
    }
    HC_set_port_device(4, nullptr);
    EXPECT_FALSE(vantlink::is_network_url("/dev/serial/by-id/usb-x:y-port0"));
}

// The negotiation, the line settings and the purge in the RFC's own bytes; 0xFF doubled both
// ways; answers and notifications read; a flood or an endless sub-negotiation costs a time-out.
TEST(LinkNetPort, ComPortControlSpeaksTheRfcsBytes) {
    TcpPeer server;
    HM_set_time_out(300);
    EXPECT_EQ(vantlink::diagnose_port_open(server.url("rfc2217")), "") << "it takes connections";
    ASSERT_TRUE(server.accept_client());
    server.drop_client();
    // A server that never answers the negotiation is not one.
    setenv("VANTLINK_COM1", server.url("rfc2217").c_str(), 1);
    const int64_t start = now_ms();
    EXPECT_EQ(HM_OpenCommPort(1, 6, 7, 2, 2), 0);
    EXPECT_LT(now_ms() - start, 800);
    EXPECT_NE(trace_text().find(std::to_string(server.port()) +
                                " did not take up COM port control (RFC 2217) within 500 ms"),
              std::string::npos);
    ASSERT_TRUE(server.accept_client());
    server.drop_client();

    std::thread script([&] {
        ASSERT_TRUE(server.accept_client());
        EXPECT_EQ(server.read_bytes(15), (Bytes{0xFF, 0xFB, 0x2C, 0xFF, 0xFB, 0x00, 0xFF, 0xFD,
                                                0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x03}));
        server.send({0xFF, 0xFD, 0x2C, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00, 0xFF, 0xFD,
                     0x03, 0xFF, 0xFB, 0x03, 0xFF, 0xFB, 0x01, 0xFF, 0xFD, 0x18, 0x41});
        EXPECT_EQ(server.read_bytes(6), (Bytes{0xFF, 0xFE, 0x01, 0xFF, 0xFC, 0x18}));
        EXPECT_EQ(server.read_bytes(10),
                  (Bytes{0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x25, 0x80, 0xFF, 0xF0}));
        EXPECT_EQ(server.read_bytes(21),
                  (Bytes{0xFF, 0xFA, 0x2C, 0x02, 0x07, 0xFF, 0xF0, 0xFF, 0xFA, 0x2C, 0x03,
                         0x03, 0xFF, 0xF0, 0xFF, 0xFA, 0x2C, 0x04, 0x02, 0xFF, 0xF0}));
        EXPECT_EQ(server.read_bytes(7), (Bytes{0xFF, 0xFA, 0x2C, 0x0C, 0x01, 0xFF, 0xF0}));
    });
    ASSERT_EQ(HM_OpenCommPort(1, 6, 7, 2, 2), 1);
    script.join();
    EXPECT_EQ(HC_line_state(1), 0);

    HC_putch(1, 0xFF);
    HC_putch(1, 'x');
    EXPECT_EQ(server.read_bytes(3), (Bytes{0xFF, 0xFF, 'x'}));
    server.send({0xFF, 0xFA, 0x2C, 0x65, 0x00, 0x00, 0x25, 0x80, 0xFF, 0xF0,  // speed taken
                 0xFF, 0xFA, 0x2C, 0x66, 0x08, 0xFF, 0xF0,                    // data size kept at 8
                 'A',  0xFF, 0xFF, 'B',                     // data with an escaped 0xFF
                 0xFF, 0xFA, 0x2C, 0x6B, 0x80, 0xFF, 0xF0,  // carrier on ...
                 0xFF, 0xFA, 0x2C, 0x6B, 0x08, 0xFF, 0xF0,  // ... and lost
                 0xFF, 0xF1, 'C'});                         // NOP
    EXPECT_EQ(received(1, 150), (Bytes{'A', 0xFF, 'B', 'C'}));
    const std::string trace = trace_text();
    EXPECT_EQ(count_of(trace, "device server kept its data size: 8"), 1);
    EXPECT_EQ(count_of(trace, "COM1 carrier lost"), 1);
    EXPECT_EQ(count_of(trace, "device server kept its speed"), 0);

    // A sub-negotiation that never ends, then garbage commands: the poll times out, no byte of
    // either reaches the caller, and the line reads again once the server makes sense.
    std::array<unsigned char, 256> buffer{};
    int32_t length = 0;
    for (const Bytes& unit : {Bytes{'z'}, Bytes{0xFF, 0xFD, 0x63}}) {
        Bytes flood = {0xFF, 0xFA, 0x2C, 0x6B};
        if (unit.size() > 1) flood.clear();
        for (int i = 0; i < 5000; ++i) flood.insert(flood.end(), unit.begin(), unit.end());
        server.send(flood);
        EXPECT_EQ(HM_poll(1, 'A', buffer.data(), &length), RC_TIME_OUT);
        server.send({0xFF, 0xF0, 'D'});
        const Bytes got = received(1, 200);
        EXPECT_EQ(got.empty() ? 0 : got.back(), 'D');
        EXPECT_LE(got.size(), 1u);
    }
    HM_CloseCommPort(1);
    HM_set_time_out(400);
}

// A poll over raw TCP waits the request's line time before its answer time-out; a server that
// goes away mid-poll is a lost line, said once, and its return a line back, said once.
TEST(LinkNetPort, RawPollTimingAndALostConnection) {
    TcpPeer server;
    setenv("VANTLINK_COM1", server.url("tcp").c_str(), 1);
    HM_set_time_out(100);
    std::array<unsigned char, 256> buffer{};
    int32_t length = 0;
    std::thread first([&] {
        ASSERT_TRUE(server.accept_client());
        EXPECT_EQ(server.read_bytes(2), (Bytes{0x02, 0xC2}));
        server.send(kPollAnswer);
        EXPECT_EQ(server.read_bytes(1), (Bytes{0x06}));
        for (int open = 0; open < 2; ++open) {  // the slow line's poll, then one at 9600
            ASSERT_TRUE(server.accept_client());
            EXPECT_EQ(server.read_bytes(2), (Bytes{0x02, 0xC2}));
        }
        server.drop_client();
        server.stop_listening();
    });
    ASSERT_EQ(HM_OpenCommPort(1, 6, 8, 0, 1), 1);
    EXPECT_EQ(HM_poll(1, 'B', buffer.data(), &length), RC_SUCCESS);
    EXPECT_EQ(length, 3);
    // At 110 baud two bytes take 182 ms on the line.
    ASSERT_EQ(HM_OpenCommPort(1, 0, 8, 0, 1), 1);
    int64_t start = now_ms();
    EXPECT_EQ(HM_poll(1, 'B', buffer.data(), &length), RC_TIME_OUT);
    EXPECT_GE(now_ms() - start, 280);
    ASSERT_EQ(HM_OpenCommPort(1, 6, 8, 0, 1), 1);
    EXPECT_EQ(HM_poll(1, 'B', buffer.data(), &length), RC_TIME_OUT);
    first.join();

    // Gone: polls fail fast, re-connects are refused quietly, until the server is back.
    start = now_ms();
    int polls = 0;
    while (now_ms() - start < 1200) {
        HM_poll(1, 'B', buffer.data(), &length);
        ++polls;
        EXPECT_EQ(HC_line_state(1), 1);
    }
    EXPECT_GE(polls, 5);
    server.listen_on(server.port());
    std::thread back([&] {
        ASSERT_TRUE(server.accept_client());
        EXPECT_EQ(server.read_bytes(2), (Bytes{0x02, 0xC2}));
        server.send(kPollAnswer);
        server.read_bytes(1);
    });
    int32_t result = RC_TIME_OUT;
    for (start = now_ms(); result != RC_SUCCESS && now_ms() - start < 3000;)
        result = HM_poll(1, 'B', buffer.data(), &length);
    back.join();
    EXPECT_EQ(result, RC_SUCCESS);
    EXPECT_EQ(HC_line_state(1), 0);
    const std::string trace = trace_text();
    const std::string lost = "COM1 line lost: 127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(count_of(trace, lost + " closed the connection"), 1);
    EXPECT_EQ(count_of(trace, "COM1 line back"), 1);
    HM_CloseCommPort(1);
    HM_set_time_out(400);
}
