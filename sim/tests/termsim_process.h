// Runs termsim as a process on a fresh link and talks to it as the host would.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace termsim_test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class TermsimProcess {
public:
    // Starts termsim with the arguments after --link and waits for its ready line.
    // A given link path is used as it is (it may hold a stale symlink).
    explicit TermsimProcess(const std::vector<std::string>& args,
                            const std::filesystem::path& link = {});
    ~TermsimProcess();
    TermsimProcess(const TermsimProcess&) = delete;
    TermsimProcess& operator=(const TermsimProcess&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& link() const { return link_; }
    const std::string& slave_path() const { return slave_path_; }
    pid_t pid() const { return pid_; }

    // Opens the port (the link) raw, as the host does.
    void open_port();
    void close_port();
    void write(const Bytes& bytes);
    // Reads until count bytes came or the time ran out.
    Bytes read(std::size_t count, std::chrono::milliseconds limit = 2000ms);
    // Reads whatever arrives within the window.
    Bytes read_for(std::chrono::milliseconds window);
    Bytes exchange(const Bytes& request, std::size_t answer_size,
                   std::chrono::milliseconds limit = 2000ms);
    // Reads one answer: a single byte, or a data answer up to its ETX.
    Bytes read_answer(std::chrono::milliseconds limit = 2000ms);
    Bytes command(char letter, const std::string& data, char address);

    // Sends SIGTERM and waits; returns the exit status as waitpid reports it.
    int stop();

private:
    std::filesystem::path folder_;
    std::filesystem::path link_;
    std::string slave_path_;
    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    int port_ = -1;
};

std::string read_text_file(const std::filesystem::path& path);
void write_text_file(const std::filesystem::path& path, const std::string& text);

// The host's side of the framing, written out independently of termsim's code.
Bytes command_request(char letter, const std::string& data, char address);
Bytes poll_request(char address);
// Checks a data answer's check characters and returns its decoded payload; empty when the
// answer is no well-formed data answer.
Bytes decoded_payload(const Bytes& answer);
// Decoded payload from byte 2 on (status byte, text or digits), as text.
std::string answer_body(const Bytes& answer);
Bytes encoded(const Bytes& raw);

}  // namespace termsim_test
