// A pseudo-terminal whose slave side the library opens as COM<n> and whose master side a test
// scripts byte by byte, playing the terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

using Bytes = std::vector<uint8_t>;

class PtyPeer {
public:
    // Creates the pty and points VANTLINK_COM<port> at its slave.
    explicit PtyPeer(int port = 1);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& slave_path() const { return slave_path_; }
    int master_fd() const { return master_; }

    // Reads exactly n bytes, or fewer when timeout_ms pass first.
    Bytes read_bytes(size_t n, int timeout_ms = 2000);
    // Reads one command request (STX ESC ... address byte) or poll request (STX address).
    Bytes read_request(int timeout_ms = 2000);
    // Everything that arrives within quiet_ms of silence.
    Bytes read_all(int quiet_ms = 50);
    void send(const Bytes& bytes);

    // Runs a script on a thread while the test calls the library; join() waits for it.
    void run(std::function<void(PtyPeer&)> script);
    void join();

private:
    int master_ = -1;
    std::string slave_path_;
    std::thread thread_;
};

// The answer frame STX payload check-high check-low ETX for an already encoded payload.
Bytes answer_frame(const Bytes& payload);

// A data answer as a terminal sends it: lead ESC, the answer letter, then the body, encoded.
Bytes data_answer(char letter, const Bytes& body);
Bytes data_answer(char letter, const std::string& body);

// The request's letter, its data (still as sent) and its address byte.
struct Request {
    uint8_t letter = 0;
    Bytes data;
    uint8_t address = 0;
};
Request parse_request(const Bytes& frame);

// Answers every request in turn with the answer the function gives (nothing for an empty
// one), recording the requests, until no request comes for quiet_ms.
std::vector<Request> serve(PtyPeer& peer, const std::function<Bytes(const Request&)>& answer,
                           int quiet_ms = 1500);

inline int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace linktest
