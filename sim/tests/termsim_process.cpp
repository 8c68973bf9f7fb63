#include "termsim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace termsim_test {

namespace {

std::filesystem::path make_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "termsim-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

std::string read_ready_line(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char c;
        const ssize_t got = ::read(fd, &c, 1);
        if (got <= 0) break;
        if (c == '\n') return line;
        line += c;
    }
    throw std::runtime_error("termsim did not report ready");
}

int remaining_ms(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

TermsimProcess::TermsimProcess(const std::vector<std::string>& args,
                               const std::filesystem::path& link) {
    folder_ = make_folder();
    link_ = link.empty() ? folder_ / "line" : link;
    std::vector<std::string> argv_text{TERMSIM_BINARY, "--link", link_.string()};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(argv_text.size() + 1);
    for (auto& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawn(&pid_, TERMSIM_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    stdout_fd_ = out[0];
    if (rc != 0) throw std::runtime_error("posix_spawn failed");
    slave_path_ = read_ready_line(stdout_fd_);
}

TermsimProcess::~TermsimProcess() {
    close_port();
    if (pid_ > 0) stop();
    if (stdout_fd_ >= 0) close(stdout_fd_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

int TermsimProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

void TermsimProcess::open_port() {
    port_ = ::open(link_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port_ < 0) throw std::runtime_error("cannot open the link");
    termios tio{};
    tcgetattr(port_, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(port_, TCSANOW, &tio);
    tcflush(port_, TCIOFLUSH);
}

void TermsimProcess::close_port() {
    if (port_ >= 0) close(port_);
    port_ = -1;
}

void TermsimProcess::write(const Bytes& bytes) {
    if (port_ < 0) open_port();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(port_, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
    }
}

Bytes TermsimProcess::read(std::size_t count, std::chrono::milliseconds limit) {
    if (port_ < 0) open_port();
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (got.size() < count) {
        pollfd pfd{port_, POLLIN, 0};
        if (poll(&pfd, 1, remaining_ms(deadline)) <= 0) break;
        std::uint8_t buffer[512];
        const ssize_t n = ::read(port_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

Bytes TermsimProcess::read_for(std::chrono::milliseconds window) {
    return read(1 << 20, window);
}

Bytes TermsimProcess::exchange(const Bytes& request, std::size_t answer_size,
                               std::chrono::milliseconds limit) {
    write(request);
    return read(answer_size, limit);
}

Bytes TermsimProcess::read_answer(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Bytes answer;
    while (true) {
        const Bytes next = read(1, std::chrono::milliseconds(remaining_ms(deadline)));
        if (next.empty()) return answer;
        answer.push_back(next[0]);
        if (answer[0] != 0x02 || next[0] == 0x03) return answer;
    }
}

Bytes TermsimProcess::command(char letter, const std::string& data, char address) {
    write(command_request(letter, data, address));
    return read_answer();
}

std::string read_text_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

Bytes command_request(char letter, const std::string& data, char address) {
    const std::uint8_t address_byte = static_cast<std::uint8_t>(address + 0x80);
    unsigned check = 0x02 + 0x1B + static_cast<std::uint8_t>(letter) + address_byte +
                     static_cast<unsigned>(data.size());
    for (unsigned char c : data) check += c;
    check &= 0xFF;
    Bytes frame;
    frame.reserve(data.size() + 6);
    frame.insert(frame.end(), {0x02, 0x1B, static_cast<std::uint8_t>(letter)});
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<std::uint8_t>(0x40 + (check >> 4)));
    frame.push_back(static_cast<std::uint8_t>(0x40 + (check & 0x0F)));
    frame.push_back(address_byte);
    return frame;
}

Bytes poll_request(char address) {
    return {0x02, static_cast<std::uint8_t>(address + 0x80)};
}

}  // namespace termsim_test

namespace termsim_test {

Bytes decoded_payload(const Bytes& answer) {
    if (answer.size() < 4 || answer.front() != 0x02 || answer.back() != 0x03) return {};
    const Bytes payload(answer.begin() + 1, answer.end() - 3);
    unsigned check = static_cast<unsigned>(payload.size());
    for (std::uint8_t b : payload) check += b;
    check &= 0xFF;
    if ((answer[answer.size() - 3] & 0x0F) != (check >> 4) ||
        (answer[answer.size() - 2] & 0x0F) != (check & 0x0F)) {
        return {};
    }
    Bytes decoded;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        if (payload[i] != 0x5C || i + 1 == payload.size()) {
            decoded.push_back(payload[i]);
            continue;
        }
        const std::uint8_t next = payload[++i];
        if (next == 0x5C) {
            decoded.push_back(0x5C);
        } else if (next >= 0x80) {
            decoded.push_back(static_cast<std::uint8_t>(next - 0x80));
        } else {
            decoded.push_back(static_cast<std::uint8_t>(next + 0x80));
        }
    }
    return decoded;
}

std::string answer_body(const Bytes& answer) {
    const Bytes decoded = decoded_payload(answer);
    if (decoded.size() < 2) return "<no data answer>";
    return std::string(decoded.begin() + 2, decoded.end());
}

Bytes encoded(const Bytes& raw) {
    Bytes out;
    for (std::uint8_t b : raw) {
        if (b < 0x20) {
            out.insert(out.end(), {0x5C, static_cast<std::uint8_t>(b + 0x80)});
        } else if (b == 0x5C) {
            out.insert(out.end(), {0x5C, 0x5C});
        } else if (b >= 0xA0 && b != 0xDC) {
            out.insert(out.end(), {0x5C, static_cast<std::uint8_t>(b - 0x80)});
        } else {
            out.push_back(b);
        }
    }
    return out;
}

}  // namespace termsim_test
