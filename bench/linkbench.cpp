// linkbench: what the link library costs and how close it comes to the line's own speed.
// Prints one table: CPU while the library waits, polls per second against termsim next to the
// ideal (the line time of every byte both ways plus the waits the protocol requires), and file
// transfers by the library alone and by the host program vantrel through it.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host_transfer.h"
#include "process_cpu.h"
#include "sim_launcher.h"
#include "vant_version.h"
#include "vantlink.h"

namespace {

const char kUsage[] =
    "usage: linkbench [--seconds PER_ROW] [--transfers] [--vantrel PATH]\n"
    "       linkbench --help | --version\n"
    "\n"
    "Runs termsim (TERMSIM, else the one beside linkbench or in its build) and prints CPU while\n"
    "the library waits, polls per second and file transfers by the library and by vantrel\n"
    "(--vantrel PATH, else the one beside linkbench or in its build; --transfers: these alone).\n";

using Clock = std::chrono::steady_clock;

constexpr int kPort = 1;
constexpr int kBitsPerByte = 10;
constexpr const char* kAddresses = "ABCD";

double seconds_between(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

struct CpuFigure {
    double wall_s;
    double cpu_s;
};

CpuFigure measure_cpu(const std::function<void()>& work) {
    const double cpu_before = cpu_seconds();
    const auto start = Clock::now();
    work();
    return {seconds_between(start, Clock::now()), cpu_seconds() - cpu_before};
}

// A pseudo-terminal nobody answers on.
struct SilentLine {
    int master = -1;
    SilentLine() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        setenv("VANTLINK_COM1", ptsname(master), 1);
    }
    ~SilentLine() { close(master); }
};

// Bytes a payload takes on the wire after the data encoding.
size_t encoded_size(const unsigned char* data, int32_t length) {
    size_t size = 0;
    for (int32_t i = 0; i < length; ++i) {
        const unsigned char b = data[i];
        size += (b < 0x20 || b == 0x5C || (b >= 0xA0 && b != 0xDC)) ? 2 : 1;
    }
    return size;
}

struct PollFigure {
    long polls = 0;
    long records = 0;
    long failures = 0;
    double seconds = 0;
    double ideal_seconds = 0;  // line time and protocol waits of the same polls
};

PollFigure run_polls(int baud, double duration_s) {
    const double byte_s = static_cast<double>(kBitsPerByte) / baud;
    const double esc_s = HM_get_ESC_delay() / 1000.0;
    PollFigure figure;
    const auto start = Clock::now();
    while (seconds_between(start, Clock::now()) < duration_s) {
        for (const char* a = kAddresses; *a; ++a) {
            std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
            int32_t length = 0;
            const int32_t rc = HM_poll(kPort, *a, buffer.data(), &length);
            ++figure.polls;
            figure.ideal_seconds += 2 * byte_s;  // STX and the address byte
            if (rc == RC_SUCCESS) {
                ++figure.records;
                // STX, payload, two check characters, ETX; the ESC delay; the ACK.
                figure.ideal_seconds += (encoded_size(buffer.data(), length) + 4) * byte_s + esc_s;
            } else if (rc == RC_NO_DATA) {
                figure.ideal_seconds += byte_s;
            } else {
                ++figure.failures;
            }
        }
    }
    figure.seconds = seconds_between(start, Clock::now());
    return figure;
}

// The same EOT polls without the library: what the pseudo-terminal and termsim allow at all.
double raw_polls_per_second(const std::string& link, double duration_s) {
    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return 0;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    long polls = 0;
    const auto start = Clock::now();
    while (seconds_between(start, Clock::now()) < duration_s) {
        for (const char* a = kAddresses; *a; ++a) {
            const unsigned char request[2] = {0x02, static_cast<unsigned char>(*a + 0x80)};
            if (write(fd, request, 2) != 2) break;
            unsigned char answer = 0;
            pollfd pfd{fd, POLLIN, 0};
            while (poll(&pfd, 1, 1000) > 0 && read(fd, &answer, 1) == 1 && answer != 0x04) {
            }
            ++polls;
        }
    }
    const double rate = polls / seconds_between(start, Clock::now());
    close(fd);
    return rate;
}

bool poll_row(const char* label, int baud, bool with_records, double duration_s) {
    simlaunch::TempDir dir;
    std::vector<std::string> args = {"--baud", std::to_string(baud)};
    for (const char* a = kAddresses; *a; ++a) {
        std::string terminal(1, *a);
        if (with_records) terminal += ",generate=100000x40";
        args.insert(args.end(), {"--terminal", terminal});
    }
    std::string error;
    auto sim = simlaunch::SimProcess::start(dir.file("com1"), args, &error);
    if (!sim) {
        std::fprintf(stderr, "linkbench: %s\n", error.c_str());
        return false;
    }
    setenv("VANTLINK_COM1", sim->link().c_str(), 1);
    if (HM_OpenCommPort(kPort, baud, 8, 0, 1) != 1) {
        std::fprintf(stderr, "linkbench: cannot open %s\n", sim->link().c_str());
        return false;
    }
    const PollFigure f = run_polls(baud, duration_s);
    HM_CloseCommPort(kPort);
    const double measured = f.polls / f.seconds;
    const double ideal = f.polls / f.ideal_seconds;
    std::string floor = "-";
    if (!with_records) {
        const double raw = raw_polls_per_second(sim->link(), duration_s);
        floor = std::to_string(static_cast<int>(100.0 * measured / raw + 0.5)) + " %";
    }
    std::printf("  %-22s %6d %7ld %8ld %9.1f %9.1f %7.1f %% %9s  %ld\n", label, baud, f.polls,
                f.records, measured, ideal, 100.0 * measured / ideal, floor.c_str(), f.failures);
    return f.failures == 0;
}

constexpr size_t kTransferSize = 64 * 1024;
constexpr size_t kDownloadBlock = 120;

std::string random_file(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

struct TransferFigure {
    double seconds = 0;
    double ideal_seconds = 0;
    int32_t result = -1;
};

// Line time of one exchange: request bytes out, answer bytes back, the ESC delays.
double exchange_time(size_t request, size_t answer, bool data_answer, double byte_s, double esc_s) {
    // A data answer waits the ESC delay before its ACK; every exchange waits it at the end.
    const double waits = esc_s * (data_answer ? 2 : 1);
    return (request + answer + (data_answer ? 1 : 0)) * byte_s + waits;
}

size_t encoded(const std::string& bytes) {
    return encoded_size(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<int32_t>(bytes.size()));
}

TransferFigure download_file(const std::string& path, const std::string& content, double byte_s,
                             double esc_s) {
    TransferFigure f;
    const char* name = "BENCH.BIN";
    f.ideal_seconds = exchange_time(6 + std::strlen(name), 1, false, byte_s, esc_s) + 0.002;
    for (size_t at = 0; at < content.size(); at += kDownloadBlock) {
        f.ideal_seconds +=
            exchange_time(6 + encoded(content.substr(at, kDownloadBlock)), 1, false, byte_s, esc_s);
    }
    f.ideal_seconds += exchange_time(6, 1, false, byte_s, esc_s);
    const auto start = Clock::now();
    int32_t size = 0, bytes = 0, packets = 0;
    f.result = HM_download1(kPort, 'A', path.c_str(), name, &size);
    if (f.result == RC_SUCCESS) {
        while ((f.result = HM_download2(&bytes, &packets)) == RC_MORE) {
        }
    }
    f.seconds = seconds_between(start, Clock::now());
    return f;
}

TransferFigure upload_file(std::string& received, double byte_s, double esc_s) {
    TransferFigure f;
    const char* name = "BENCH.BIN";
    f.ideal_seconds = exchange_time(6 + std::strlen(name), 1, false, byte_s, esc_s);
    const auto start = Clock::now();
    f.result = HM_upload11(kPort, 'A', name);
    std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
    int32_t length = 0;
    while (f.result == RC_SUCCESS) {
        f.result = HM_upload22(block.data(), &length);
        if (f.result != RC_MORE) break;
        received.append(reinterpret_cast<char*>(block.data()), static_cast<size_t>(length));
        // STX, ESC, the encoded letter and block, two check characters, ETX.
        const std::string letter_and_block =
            "Y" + std::string(reinterpret_cast<char*>(block.data()), static_cast<size_t>(length));
        f.ideal_seconds += exchange_time(6, 5 + encoded(letter_and_block), true, byte_s, esc_s);
        f.result = RC_SUCCESS;
    }
    f.seconds = seconds_between(start, Clock::now());
    f.ideal_seconds += exchange_time(6, 6, true, byte_s, esc_s);  // the Z answer
    return f;
}

void print_transfer_row(const char* label, int baud, double seconds, double ideal_seconds,
                        const std::string& result, const std::string& versus) {
    const double measured = kTransferSize / seconds;
    const double ideal = kTransferSize / ideal_seconds;
    std::printf("  %-24s %6d %9.2f %9.0f %9.0f %7.1f %% %10s  %s\n", label, baud, seconds, measured,
                ideal, 100.0 * measured / ideal, versus.c_str(), result.c_str());
}

std::string percent(double part, double whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100.0 * part / whole);
    return text;
}

// The library's figures, then vantrel's for the same file at the same rate.
bool transfer_rows(int baud, const std::optional<std::string>& vantrel) {
    simlaunch::TempDir dir;
    std::string error;
    auto sim = simlaunch::SimProcess::start(
        dir.file("com1"), {"--baud", std::to_string(baud), "--terminal", "A"}, &error);
    if (!sim) {
        std::fprintf(stderr, "linkbench: %s\n", error.c_str());
        return false;
    }
    setenv("VANTLINK_COM1", sim->link().c_str(), 1);
    if (HM_OpenCommPort(kPort, baud, 8, 0, 1) != 1) return false;
    const double byte_s = static_cast<double>(kBitsPerByte) / baud;
    const double esc_s = HM_get_ESC_delay() / 1000.0;
    const std::string content = random_file(kTransferSize);
    const std::string path = dir.file("bench.bin");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);

    const TransferFigure down = download_file(path, content, byte_s, esc_s);
    std::string received;
    const TransferFigure up = upload_file(received, byte_s, esc_s);
    HM_CloseCommPort(kPort);
    sim.reset();
    const bool same = received == content;
    auto outcome = [](int32_t rc) {
        return rc == RC_SUCCESS ? std::string("ok") : "failed " + std::to_string(rc);
    };
    print_transfer_row("download 64 KiB", baud, down.seconds, down.ideal_seconds,
                       outcome(down.result), "-");
    print_transfer_row("upload 64 KiB", baud, up.seconds, up.ideal_seconds, outcome(up.result),
                       "-");
    if (!same) std::printf("  the uploaded file differs from the downloaded one\n");
    bool ok = down.result == RC_SUCCESS && up.result == RC_SUCCESS && same;
    if (!vantrel) return ok;

    const bench::HostTransfers host = bench::run_host_transfers(*vantrel, baud, content);
    const std::pair<const char*, std::pair<const bench::HostTransfer*, const TransferFigure*>>
        rows[] = {{"vantrel download 64 KiB", {&host.download, &down}},
                  {"vantrel upload 64 KiB", {&host.upload, &up}}};
    for (const auto& [label, pair] : rows) {
        const auto& [h, library] = pair;
        if (!h->completed) {
            std::printf("  %-24s %6d  %s\n", label, baud, h->problem.c_str());
            ok = false;
            continue;
        }
        // vantrel's speed as a share of the library's alone.
        print_transfer_row(label, baud, h->seconds, library->ideal_seconds, "ok",
                           percent(library->seconds, h->seconds));
    }
    return ok;
}

bool cpu_and_poll_rows(double duration_s) {
    std::printf("  %-30s %9s %9s %7s\n", "CPU while waiting", "wall ms", "cpu ms", "cpu %");
    const CpuFigure delay = measure_cpu([] { HM_time_delay(3000); });
    std::printf("  %-30s %9.0f %9.2f %6.2f %%\n", "HM_time_delay(3000)", delay.wall_s * 1e3,
                delay.cpu_s * 1e3, 100 * delay.cpu_s / delay.wall_s);
    {
        SilentLine line;
        HM_OpenCommPort(kPort, 6, 8, 0, 1);
        HM_set_time_out(2000);
        std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
        int32_t length = 0;
        const CpuFigure timeout = measure_cpu([&] { HM_poll(kPort, 'A', buffer.data(), &length); });
        HM_set_time_out(400);
        HM_CloseCommPort(kPort);
        std::printf("  %-30s %9.0f %9.2f %6.2f %%\n", "2 s time-out, silent line",
                    timeout.wall_s * 1e3, timeout.cpu_s * 1e3,
                    100 * timeout.cpu_s / timeout.wall_s);
    }

    bool ok = true;
    std::printf("\n  %-22s %6s %7s %8s %9s %9s %9s %9s  %s\n", "4 terminals polled", "baud",
                "polls", "records", "polls/s", "ideal/s", "ratio", "vs raw", "failures");
    for (int baud : {9600, 57600}) {
        ok &= poll_row("answering EOT", baud, false, duration_s);
        ok &= poll_row("40-byte records", baud, true, duration_s);
    }

    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    double duration_s = 3.0;
    bool transfers_only = false;
    std::string vantrel_given;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            duration_s = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--vantrel") == 0 && i + 1 < argc) {
            vantrel_given = argv[++i];
        } else if (std::strcmp(argv[i], "--transfers") == 0) {
            transfers_only = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("linkbench " VANT_VERSION);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    const std::optional<std::string> vantrel = bench::find_vantrel(vantrel_given);
    // Rows take seconds to minutes each: show them as they come, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("linkbench: vantlink %d against termsim\n\n", HM_version());
    bool ok = true;
    if (!transfers_only) ok = cpu_and_poll_rows(duration_s);

    std::printf("\n  %-24s %6s %9s %9s %9s %9s %10s  %s\n", "file transfer", "baud", "seconds",
                "bytes/s", "ideal/s", "ratio", "vs library", "result");
    if (!vantrel) std::printf("  (no vantrel in this build: its rows are left out)\n");
    for (int baud : {9600, 57600}) ok &= transfer_rows(baud, vantrel);
    return ok ? 0 : 1;
}
