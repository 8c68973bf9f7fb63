// linkbench: what the link library costs and how close it comes to the line's own speed.
// Prints one table: CPU while the library waits, polls per second against termsim next to the
// ideal (the line time of every byte both ways plus the waits the protocol requires), and file
// transfers by the library alone and by the host program vantrel through it; the same polls and
// transfers through ser2net as a device server (tcp:// and rfc2217://) beside the direct line.
// With --lines, only the table of many lines polled at once.
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

#include "children.h"
#include "host_transfer.h"
#include "many_lines.h"
#include "process_cpu.h"
#include "ser2net_launcher.h"
#include "sim_launcher.h"
#include "vant_version.h"
#include "vantlink.h"

namespace {

const char kUsage[] =
    "usage: linkbench [--seconds PER_ROW] [--polls | --transfers] [--vantrel PATH]\n"
    "       linkbench --lines N[,N...] [--seconds PER_ROW] [--vantctl PATH] [--vantrel PATH]\n"
    "       linkbench --help | --version\n"
    "\n"
    "Runs termsim (TERMSIM, else the one beside linkbench or in its build) and prints CPU while\n"
    "the library waits, polls per second and file transfers by the library and by vantrel\n"
    "(--vantrel PATH, else the one beside linkbench or in its build), on the pseudo-terminal and\n"
    "through ser2net when it is installed (--polls, --transfers: those rows alone).\n"
    "--lines: N lines of four terminals at once, each polled by its own vantctl, then vantrel.\n";

using Clock = std::chrono::steady_clock;

constexpr int kPort = 1;
constexpr int kBitsPerByte = 10;
constexpr const char* kAddresses = "ABCD";

// How the library reaches termsim's line: the pseudo-terminal itself, or ser2net in front of it.
enum class Path { Direct, Tcp, Rfc2217 };
constexpr Path kPaths[] = {Path::Direct, Path::Tcp, Path::Rfc2217};

const char* path_name(Path path) {
    return path == Path::Direct ? "direct" : path == Path::Tcp ? "tcp://" : "rfc2217://";
}

// Whether ser2net is installed; the network rows are left out when not.
bool g_ser2net = false;

// Points COM1 at the simulated line through path; for a network path ser2net is started in
// folder and kept in server. False, with a note on standard error, when that failed.
bool route_com1(Path path, const simlaunch::SimProcess& sim, const simlaunch::TempDir& folder,
                int baud, std::unique_ptr<simlaunch::Ser2netServer>& server) {
    if (path == Path::Direct) {
        setenv("VANTLINK_COM1", sim.link().c_str(), 1);
        return true;
    }
    server = std::make_unique<simlaunch::Ser2netServer>(folder.path(), sim.link(), baud, true);
    if (const std::string error = server->start(); !error.empty()) {
        std::fprintf(stderr, "linkbench: %s\n", error.c_str());
        return false;
    }
    setenv("VANTLINK_COM1",
           (path == Path::Rfc2217 ? server->rfc2217_url() : server->tcp_url()).c_str(), 1);
    return true;
}

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

// Adds duration_s of polls to figure.
void run_polls(PollFigure& figure, int baud, double duration_s) {
    const double byte_s = static_cast<double>(kBitsPerByte) / baud;
    const double esc_s = HM_get_ESC_delay() / 1000.0;
    const auto start = Clock::now();
    while (seconds_between(start, Clock::now()) < duration_s && !bench::stop_requested()) {
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
    figure.seconds += seconds_between(start, Clock::now());
}

// The same EOT polls without the library on a descriptor of the same line: what the
// pseudo-terminal and termsim allow at all.
int open_raw_line(const std::string& link) {
    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

// Adds duration_s of bare polls on fd to polls and seconds.
void run_raw_polls(int fd, double duration_s, long& polls, double& seconds) {
    const auto start = Clock::now();
    while (seconds_between(start, Clock::now()) < duration_s && !bench::stop_requested()) {
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
    seconds += seconds_between(start, Clock::now());
}

// The library and the bare loop take turns this long on the line, both kept open, so that
// both meet the same load of the machine; one after the other, a busy moment would count
// against only one of them.
constexpr double kTurnSeconds = 0.1;

std::string percent(double part, double whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100.0 * part / whole);
    return text;
}

// One row; its polls per second (0 when it failed). The direct EOT row takes turns with the
// bare loop; a network row is set beside the direct one (direct_rate).
double poll_row(const char* label, int baud, bool with_records, double duration_s, Path path,
                double direct_rate) {
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
        return 0;
    }
    std::unique_ptr<simlaunch::Ser2netServer> server;
    if (!route_com1(path, *sim, dir, baud, server)) return 0;
    const bool against_raw = path == Path::Direct && !with_records;
    // Opened before the library's port, whose exclusive mode holds only against later opens.
    const int raw_fd = against_raw ? open_raw_line(sim->link()) : -1;
    if (HM_OpenCommPort(kPort, baud, 8, 0, 1) != 1) {
        std::fprintf(stderr, "linkbench: cannot open %s\n", getenv("VANTLINK_COM1"));
        if (raw_fd >= 0) close(raw_fd);
        return 0;
    }
    PollFigure f;
    long raw_polls = 0;
    double raw_seconds = 0;
    while (f.seconds < duration_s && !bench::stop_requested()) {
        run_polls(f, baud, raw_fd >= 0 ? kTurnSeconds : duration_s);
        if (raw_fd >= 0) run_raw_polls(raw_fd, kTurnSeconds, raw_polls, raw_seconds);
    }
    HM_CloseCommPort(kPort);
    if (raw_fd >= 0) close(raw_fd);
    if (f.polls == 0) return 0;
    const double measured = f.polls / f.seconds;
    const double ideal = f.polls / f.ideal_seconds;
    const std::string floor = against_raw && raw_polls > 0
                                  ? percent(measured, raw_polls / raw_seconds)
                                  : std::string("-");
    const std::string versus = path == Path::Direct ? "-" : percent(measured, direct_rate);
    std::printf("  %-28s %6d %7ld %8ld %9.1f %9.1f %7.1f %% %9s %9s  %ld\n",
                (std::string(label) + (path == Path::Direct ? "" : ", ") +
                 (path == Path::Direct ? "" : path_name(path)))
                    .c_str(),
                baud, f.polls, f.records, measured, ideal, 100.0 * measured / ideal, floor.c_str(),
                versus.c_str(), f.failures);
    return f.failures == 0 ? measured : 0;
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

void print_transfer_row(const std::string& label, int baud, double seconds, double ideal_seconds,
                        const std::string& result, const std::string& versus) {
    const double measured = kTransferSize / seconds;
    const double ideal = kTransferSize / ideal_seconds;
    std::printf("  %-28s %6d %9.2f %9.0f %9.0f %7.1f %% %10s  %s\n", label.c_str(), baud, seconds,
                measured, ideal, 100.0 * measured / ideal, versus.c_str(), result.c_str());
}

struct LibraryTransfers {
    TransferFigure down;
    TransferFigure up;
    bool ok = false;  // both whole, the uploaded copy equal to the file
};

// The library's download and upload of content through path, on a fresh simulated terminal.
std::optional<LibraryTransfers> library_transfers(int baud, Path path, const std::string& content) {
    simlaunch::TempDir dir;
    std::string error;
    auto sim = simlaunch::SimProcess::start(
        dir.file("com1"), {"--baud", std::to_string(baud), "--terminal", "A"}, &error);
    if (!sim) {
        std::fprintf(stderr, "linkbench: %s\n", error.c_str());
        return std::nullopt;
    }
    std::unique_ptr<simlaunch::Ser2netServer> server;
    if (!route_com1(path, *sim, dir, baud, server)) return std::nullopt;
    if (HM_OpenCommPort(kPort, baud, 8, 0, 1) != 1) {
        std::fprintf(stderr, "linkbench: cannot open %s\n", getenv("VANTLINK_COM1"));
        return std::nullopt;
    }
    const double byte_s = static_cast<double>(kBitsPerByte) / baud;
    const double esc_s = HM_get_ESC_delay() / 1000.0;
    const std::string file = dir.file("bench.bin");
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);

    LibraryTransfers t;
    t.down = download_file(file, content, byte_s, esc_s);
    std::string received;
    t.up = upload_file(received, byte_s, esc_s);
    HM_CloseCommPort(kPort);
    t.ok = t.down.result == RC_SUCCESS && t.up.result == RC_SUCCESS && received == content;
    if (t.down.result == RC_SUCCESS && t.up.result == RC_SUCCESS && received != content)
        std::printf("  the uploaded file differs from the downloaded one (%s)\n", path_name(path));
    return t;
}

// The library's figures on each path, each beside the direct line's, then vantrel's for the
// same file at the same rate on the direct line.
bool transfer_rows(int baud, const std::optional<std::string>& vantrel) {
    const std::string content = random_file(kTransferSize);
    auto outcome = [](int32_t rc) {
        return rc == RC_SUCCESS ? std::string("ok") : "failed " + std::to_string(rc);
    };
    std::optional<LibraryTransfers> direct;
    bool ok = true;
    for (Path path : kPaths) {
        if (path != Path::Direct && !g_ser2net) continue;
        if (bench::stop_requested()) return false;
        const auto t = library_transfers(baud, path, content);
        if (!t) {
            ok = false;
            continue;
        }
        ok &= t->ok;
        if (path == Path::Direct) direct = t;
        const std::string via = path == Path::Direct ? "" : std::string(", ") + path_name(path);
        const bool beside = path != Path::Direct && direct;
        print_transfer_row(("download 64 KiB" + via).c_str(), baud, t->down.seconds,
                           t->down.ideal_seconds, outcome(t->down.result),
                           beside ? percent(direct->down.seconds, t->down.seconds) : "-");
        print_transfer_row(("upload 64 KiB" + via).c_str(), baud, t->up.seconds,
                           t->up.ideal_seconds, outcome(t->up.result),
                           beside ? percent(direct->up.seconds, t->up.seconds) : "-");
    }
    if (!vantrel || !direct || bench::stop_requested()) return ok && direct.has_value();

    const bench::HostTransfers host = bench::run_host_transfers(*vantrel, baud, content);
    const std::pair<const char*, std::pair<const bench::HostTransfer*, const TransferFigure*>>
        rows[] = {{"vantrel download 64 KiB", {&host.download, &direct->down}},
                  {"vantrel upload 64 KiB", {&host.upload, &direct->up}}};
    for (const auto& [label, pair] : rows) {
        const auto& [h, library] = pair;
        if (!h->completed) {
            std::printf("  %-28s %6d  %s\n", label, baud, h->problem.c_str());
            ok = false;
            continue;
        }
        // vantrel's speed as a share of the library's alone on the direct line.
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
    std::printf("\n  %-28s %6s %7s %8s %9s %9s %9s %9s %9s  %s\n", "4 terminals polled", "baud",
                "polls", "records", "polls/s", "ideal/s", "ratio", "vs raw", "vs direct",
                "failures");
    for (int baud : {9600, 57600}) {
        for (const bool records : {false, true}) {
            const char* label = records ? "40-byte records" : "answering EOT";
            double direct = 0;
            for (Path path : kPaths) {
                if (path != Path::Direct && !g_ser2net) continue;
                if (bench::stop_requested()) return false;
                const double rate = poll_row(label, baud, records, duration_s, path, direct);
                if (path == Path::Direct) direct = rate;
                ok &= rate > 0;
            }
        }
    }

    return ok;
}

// "1,16,64" as counts of lines, each 1..1000; empty when the text is not such a list.
std::vector<int> parse_counts(const std::string& text) {
    std::vector<int> counts;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, end - at);
        char* rest = nullptr;
        const long n = std::strtol(item.c_str(), &rest, 10);
        if (item.empty() || *rest != '\0' || n < 1 || n > 1000) return {};
        counts.push_back(static_cast<int>(n));
        at = end + 1;
    }
    return counts;
}

}  // namespace

int main(int argc, char** argv) {
    double duration_s = 3.0;
    bool transfers_only = false;
    bool polls_only = false;
    bool seconds_given = false;
    std::string vantrel_given;
    std::string vantctl_given;
    std::vector<int> line_counts;
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--seconds") == 0 && has_value) {
            duration_s = std::atof(argv[++i]);
            seconds_given = true;
            if (!(duration_s > 0)) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--vantrel") == 0 && has_value) {
            vantrel_given = argv[++i];
        } else if (std::strcmp(argv[i], "--vantctl") == 0 && has_value) {
            vantctl_given = argv[++i];
        } else if (std::strcmp(argv[i], "--lines") == 0 && has_value) {
            line_counts = parse_counts(argv[++i]);
            if (line_counts.empty()) {
                std::fprintf(stderr, "linkbench: --lines takes counts 1..1000 such as 1,16,64\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--transfers") == 0) {
            transfers_only = true;
        } else if (std::strcmp(argv[i], "--polls") == 0) {
            polls_only = true;
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
    if (transfers_only && polls_only) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    bench::install_stop_handlers();
    // Rows take seconds to minutes each: show them as they come, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!line_counts.empty()) {
        bench::ManyLinesOptions options;
        options.counts = line_counts;
        // A line brings some 15 records a second at 9600 baud: 10 s give a ratio to 1 %.
        options.seconds = seconds_given ? duration_s : 10;
        options.vantctl = bench::find_program(vantctl_given, "vantctl", "tools");
        options.vantrel = bench::find_vantrel(vantrel_given).value_or("");
        std::printf(
            "linkbench: lines of 4 terminals at 9600 baud with 40-byte records, polled"
            " at once;\n  each simulator hands its bytes over 16 at a time, as a UART's FIFO"
            " does\n\n");
        const bool ok = bench::many_lines_table(options);
        if (bench::stop_requested()) return 130;
        return ok ? 0 : 1;
    }
    const std::optional<std::string> vantrel = bench::find_vantrel(vantrel_given);
    g_ser2net = !simlaunch::ser2net_path().empty();
    std::printf("linkbench: vantlink %d against termsim\n", HM_version());
    if (!g_ser2net)
        std::printf("(ser2net is not installed: the tcp:// and rfc2217:// rows are left out)\n");
    std::printf("\n");
    bool ok = true;
    if (!transfers_only) ok = cpu_and_poll_rows(duration_s);
    if (!polls_only && !bench::stop_requested()) {
        std::printf("\n  %-28s %6s %9s %9s %9s %9s %10s  %s\n", "file transfer", "baud", "seconds",
                    "bytes/s", "ideal/s", "ratio", "vs direct", "result");
        if (!vantrel) std::printf("  (no vantrel in this build: its rows are left out)\n");
        for (int baud : {9600, 57600}) {
            if (!bench::stop_requested()) ok &= transfer_rows(baud, vantrel);
        }
    }
    if (bench::stop_requested()) return 130;
    return ok ? 0 : 1;
}
