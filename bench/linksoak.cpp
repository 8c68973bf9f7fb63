// linksoak: the link library left running for minutes on a faulty multi-drop line.
// Three simulated terminals share one line on which a fifth of the answers go wrong in every way
// a direct line can (NAK, bad checks, noise, silence, late answers). The soak polls them and in
// between moves files both ways, then checks that every record the terminals saw acknowledged
// was stored once and in order, that every transfer reported as done moved the file whole, and
// that the process did not grow. One table; the exit status is 0 only when every check passed.
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "process_cpu.h"
#include "service_soak.h"
#include "sim_launcher.h"
#include "vant_version.h"
#include "vantlink.h"

namespace {

const char kUsage[] =
    "usage: linksoak [--minutes M] [--seed N] [--baud RATE] [--fault-rate P] [--late-ms MS]\n"
    "       linksoak --service [--vantrel PATH] [--time-out MS] [--carrier-rate P]\n"
    "                  [--keep] [same options]\n"
    "       linksoak --help | --version\n"
    "\n"
    "Polls three termsim terminals on one line with injected faults (P in all, default 0.20,\n"
    "spread over nak, check, check1, noise, silence and late) for M minutes (default 1,\n"
    "fractions allowed), moving files both ways in between; then checks records, files and\n"
    "memory and prints one table. The same --seed repeats the same faults. Defaults: seed 1,\n"
    "19200 baud, late answers as late as the 400 ms time-out allows at that rate.\n"
    "\n"
    "--service: three lines, each polled by a headless vantrel as the service runs it (the\n"
    "third dialled through a modem), all appending to one data file through one token file,\n"
    "faults on every line; every M/12 minutes one instance in turn is killed with SIGKILL and\n"
    "started again 5 s later. Checks that every acknowledged record was stored once (the one\n"
    "in hand at a kill may be lost), that no line went a minute without storing one, and that\n"
    "each instance's memory and descriptors stayed flat. Default 9600 baud; vantrel is the one\n"
    "beside linksoak or in its build. --time-out: vantrel's (default 1000 ms); --carrier-rate:\n"
    "the modem also drops the call, P per answer (default 0); --keep: the folder of logs stays\n"
    "(it always does after a failure).\n";

using Clock = std::chrono::steady_clock;

constexpr int kPort = 1;
constexpr const char* kAddresses = "ABC";
// Per terminal: short, long, tiny. Each record starts with its address and number, which must
// fit whole for the records to be distinct: at most kMaxRecords, seven digits.
constexpr int kRecordLength[] = {40, 120, 8};
constexpr long kMaxRecords = 9'999'999;
constexpr int kPollsPerTurn = 12;  // polls of one terminal between transfers
// A time-out ends a transfer, so with a fifth of the answers faulty the 6 KB files often need
// many attempts (25 all failed once in a 30-minute run); only a transfer that can never get
// through fails this often.
constexpr int kTransferAttempts = 200;  // a transfer failing this often fails the soak
// The resident set may move by allocator pages and stdio buffers; a leak of a few bytes per
// poll or per transfer block exceeds this within minutes.
constexpr long kRssMarginKb = 512;
constexpr size_t kCallerPiece = 100;  // HM_download22's pieces
// Sizes around the 120-byte download and 252-byte upload blocks, a few KB, nothing at all.
constexpr size_t kFileSizes[] = {0, 1, 119, 120, 121, 240, 241, 251, 252, 253, 504, 4096, 6001};

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Memory {
    long hwm_kb = 0;  // peak resident set
    long rss_kb = 0;  // current resident set
    long fds = 0;     // open file descriptors: a leaked one per transfer shows here first
};

Memory read_memory() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) memory.hwm_kb = std::atol(line.c_str() + 6);
        if (line.rfind("VmRSS:", 0) == 0) memory.rss_kb = std::atol(line.c_str() + 6);
    }
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        ++memory.fds;
    }
    return memory;
}

struct Options {
    double minutes = 1;
    unsigned seed = 1;
    int baud = 19200;
    double fault_rate = 0.20;
    int late_ms = -1;  // by the line rate (default_late_ms)
    bool service = false;
    bool keep = false;
    int time_out_ms = 0;       // the service soak's own default when not given
    double carrier_rate = -1;  // the modem line's dropped carriers, per answer
    bool baud_given = false;
    std::string vantrel;
};

// Late, but within the library's 400 ms time-out even when the longest record is answered
// late twice around a NAK: a poll answer does not name its sender, so one that came after the
// time-out would be taken for the answer of the next terminal polled (--late-ms 1000 shows it).
int default_late_ms(int baud) {
    constexpr int kTimeOutMs = 400, kSlackMs = 40, kLongestAnswer = 120 + 10;
    const int frame_ms = kLongestAnswer * 10 * 1000 / baud;
    return std::clamp((kTimeOutMs - 2 * frame_ms) / 2 - kSlackMs, 10, 150);
}

std::optional<Options> parse(int argc, char** argv, int& exit_code) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool has_value = i + 1 < argc;
        if (flag == "--help") {
            std::fputs(kUsage, stdout);
            return exit_code = 0, std::nullopt;
        } else if (flag == "--version") {
            std::puts("linksoak " VANT_VERSION);
            return exit_code = 0, std::nullopt;
        } else if (flag == "--minutes" && has_value) {
            o.minutes = std::atof(argv[++i]);
        } else if (flag == "--seed" && has_value) {
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (flag == "--baud" && has_value) {
            o.baud = std::atoi(argv[++i]);
            o.baud_given = true;
        } else if (flag == "--service") {
            o.service = true;
        } else if (flag == "--time-out" && has_value) {
            o.time_out_ms = std::atoi(argv[++i]);
        } else if (flag == "--keep") {
            o.keep = true;
        } else if (flag == "--carrier-rate" && has_value) {
            o.carrier_rate = std::atof(argv[++i]);
        } else if (flag == "--vantrel" && has_value) {
            o.vantrel = argv[++i];
        } else if (flag == "--fault-rate" && has_value) {
            o.fault_rate = std::atof(argv[++i]);
        } else if (flag == "--late-ms" && has_value) {
            o.late_ms = std::atoi(argv[++i]);
        } else {
            std::fputs(kUsage, stderr);
            return exit_code = 2, std::nullopt;
        }
    }
    if (!(o.minutes > 0) || o.baud <= 0 || o.fault_rate < 0 || o.fault_rate >= 1) {
        std::fputs(kUsage, stderr);
        return exit_code = 2, std::nullopt;
    }
    if (o.service && !o.baud_given) o.baud = 9600;  // the service's own default
    if (o.late_ms < 0) o.late_ms = default_late_ms(o.baud);
    return o;
}

constexpr const char* kFaultKinds[] = {"nak", "check", "check1", "noise", "silence", "late"};

std::vector<std::string> termsim_args(const Options& o, const simlaunch::TempDir& dir,
                                      const std::string& trace) {
    // Each kind strikes independently; this rate per kind makes the chance that an answer
    // meets at least one of them the rate asked for.
    const double per_kind = 1 - std::pow(1 - o.fault_rate, 1.0 / std::size(kFaultKinds));
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.5f", per_kind);
    std::vector<std::string> args = {
        "--baud",    std::to_string(o.baud),    "--seed",  std::to_string(o.seed),
        "--late-ms", std::to_string(o.late_ms), "--trace", trace};
    for (const char* kind : kFaultKinds)
        args.insert(args.end(), {std::string("--fault-") + kind, rate});
    // More records than the line can carry in the time: the terminals never run dry.
    // A record per 1000 baud and second each, several times what the line carries.
    const long records =
        std::min(kMaxRecords, std::lround(std::max(1.0, o.minutes) * 60 * o.baud / 1000.0));
    for (int t = 0; kAddresses[t]; ++t) {
        const char address = kAddresses[t];
        args.insert(args.end(), {"--terminal", std::string(1, address) + ",store=" +
                                                   dir.file(std::string("store_") + address) +
                                                   ",generate=" + std::to_string(records) + "x" +
                                                   std::to_string(kRecordLength[t])});
    }
    return args;
}

struct Counts {
    long polls = 0, records = 0, no_data = 0, nak = 0, timeouts = 0, other = 0;
    long downloads = 0, uploads = 0;                // completed and verified
    long download_retries = 0, upload_retries = 0;  // attempts that reported failure
    long corrupt = 0;                               // reported success with wrong bytes
    long given_up = 0;                              // transfers that never succeeded
};

// Binary content with every byte value likely, different for every transfer.
std::string file_content(size_t size, unsigned salt) {
    std::string bytes(size, '\0');
    uint32_t state = 2463534242u ^ (salt * 2654435761u);
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
}

class Soak {
public:
    explicit Soak(const simlaunch::TempDir& dir) : dir_(dir) {
        poll_file_ = std::fopen(dir.file("poll.dat").c_str(), "wb");
    }
    ~Soak() {
        if (poll_file_) std::fclose(poll_file_);
    }

    void poll_turn(char address) {
        for (int i = 0; i < kPollsPerTurn; ++i) {
            std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
            int32_t length = 0;
            const int32_t rc = HM_poll(kPort, address, buffer.data(), &length);
            ++counts_.polls;
            if (rc == RC_SUCCESS) {
                ++counts_.records;
                // One line per record, as the host's poll data file keeps them.
                std::fprintf(poll_file_, "%c %.*s\n", address, static_cast<int>(length),
                             reinterpret_cast<const char*>(buffer.data()));
                continue;
            }
            if (rc == RC_NO_DATA)
                ++counts_.no_data;
            else if (rc == RC_HOST_NAK)
                ++counts_.nak;
            else if (rc == RC_TIME_OUT)
                ++counts_.timeouts;
            else
                ++counts_.other;
            if (rc == RC_NO_DATA) return;
        }
    }

    // One file to or from one terminal, retried until it arrives whole.
    void transfer(long n) {
        const char address = kAddresses[n % 3];
        const size_t size = kFileSizes[(n / 2) % std::size(kFileSizes)];
        const std::string content = file_content(size, static_cast<unsigned>(n));
        const bool download = n % 2 == 0;
        const int form = static_cast<int>((n / 2) % 3);  // whole, step-wise, caller's blocks
        for (int attempt = 0; attempt < kTransferAttempts; ++attempt) {
            const bool ok = download ? download_once(address, content, form)
                                     : upload_once(address, content, form);
            if (ok) {
                ++(download ? counts_.downloads : counts_.uploads);
                return;
            }
            ++(download ? counts_.download_retries : counts_.upload_retries);
        }
        ++counts_.given_up;
        std::printf("  %s of %zu bytes to %c never completed\n", download ? "download" : "upload",
                    size, address);
    }

    void close_poll_file() { std::fflush(poll_file_); }
    const Counts& counts() const { return counts_; }

private:
    std::string terminal_file(char address, const char* name) const {
        return dir_.file(std::string("store_") + address + "/ram/" + name);
    }

    bool download_once(char address, const std::string& content, int form) {
        const std::string local = dir_.file("down.bin");
        write_file(local, content);
        std::remove(terminal_file(address, "DOWN.BIN").c_str());
        int32_t rc = RC_SUCCESS;
        if (form == 0) {
            rc = HM_download(kPort, address, local.c_str(), "DOWN.BIN");
        } else if (form == 1) {
            int32_t size = 0, bytes = 0, packets = 0;
            rc = HM_download1(kPort, address, local.c_str(), "DOWN.BIN", &size);
            if (rc == RC_SUCCESS) {
                while ((rc = HM_download2(&bytes, &packets)) == RC_MORE) {
                }
            }
        } else {
            // The caller's pieces need not match the library's block size.
            rc = HM_download11(kPort, address, "DOWN.BIN");
            for (size_t at = 0; rc == RC_SUCCESS; at += kCallerPiece) {
                const size_t from = std::min(at, content.size());
                const size_t piece = std::min(kCallerPiece, content.size() - from);
                rc = HM_download22(reinterpret_cast<const unsigned char*>(content.data()) + from,
                                   static_cast<int32_t>(piece));
                if (piece == 0) break;  // the empty piece ended the file
                if (rc == RC_MORE) rc = RC_SUCCESS;
            }
        }
        if (rc != RC_SUCCESS) return false;
        return verify(read_file(terminal_file(address, "DOWN.BIN")), content, "download", address);
    }

    bool upload_once(char address, const std::string& content, int form) {
        write_file(terminal_file(address, "UP.BIN"), content);
        const std::string local = dir_.file("up.bin");
        std::remove(local.c_str());
        HM_set_upload_file_save_mode(UPLOAD_SAVE_OVERWRITE);
        std::array<char, VANTLINK_LOCAL_PATH> path{};
        std::snprintf(path.data(), path.size(), "%s", local.c_str());
        int32_t rc = RC_SUCCESS;
        std::optional<std::string> received;
        if (form == 0) {
            rc = HM_upload(kPort, address, "UP.BIN", path.data());
        } else if (form == 1) {
            int32_t bytes = 0, packets = 0;
            rc = HM_upload1(kPort, address, "UP.BIN", path.data());
            if (rc == RC_SUCCESS) {
                while ((rc = HM_upload2(&bytes, &packets)) == RC_MORE) {
                }
            }
        } else {
            received.emplace();
            rc = HM_upload11(kPort, address, "UP.BIN");
            std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
            int32_t length = 0;
            if (rc == RC_SUCCESS) {
                while ((rc = HM_upload22(block.data(), &length)) == RC_MORE) {
                    received->append(reinterpret_cast<const char*>(block.data()),
                                     static_cast<size_t>(length));
                }
            }
        }
        if (rc != RC_SUCCESS) return false;
        if (!received) received = read_file(local);
        return verify(received, content, "upload", address);
    }

    bool verify(const std::optional<std::string>& got, const std::string& want, const char* what,
                char address) {
        if (got && *got == want) return true;
        ++counts_.corrupt;
        std::printf("  %s of %zu bytes with %c reported success but %s\n", what, want.size(),
                    address,
                    got ? ("holds " + std::to_string(got->size()) + " other bytes").c_str()
                        : "left no file");
        return false;
    }

    const simlaunch::TempDir& dir_;
    std::FILE* poll_file_ = nullptr;
    Counts counts_;
};

// Per terminal, the records in the order given.
using RecordLists = std::map<char, std::vector<std::string>>;

RecordLists stored_records(const std::string& poll_file) {
    RecordLists lists;
    std::ifstream in(poll_file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() >= 2) lists[line[0]].push_back(line.substr(2));
    }
    return lists;
}

// What the terminals saw acknowledged, and which faults they injected, from termsim's trace.
struct TerminalSide {
    RecordLists acknowledged;
    std::map<std::string, long> faults;
};

TerminalSide terminal_side(const std::string& trace) {
    static const std::string kAck = ": record acknowledged: ";
    static const std::string kFault = "# fault injected: ";
    TerminalSide side;
    std::ifstream in(trace, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const size_t event = line.find(" # ");
        if (event == std::string::npos) continue;
        if (line.compare(event + 1, kFault.size(), kFault) == 0) {
            ++side.faults[line.substr(event + 1 + kFault.size())];
            continue;
        }
        const size_t ack = line.find(kAck, event);
        if (ack != event + 4) continue;
        // "A: record acknowledged: TEXT (N waiting)"
        std::string record = line.substr(ack + kAck.size());
        const size_t waiting = record.rfind(" (");
        if (waiting != std::string::npos) record.resize(waiting);
        side.acknowledged[line[event + 3]].push_back(record);
    }
    return side;
}

// How many records lead the list as the terminal made them: its address, then 1, 2, 3 ...
// So the terminals' own account of what was acknowledged is checked against their supply too.
size_t numbered_from_one(char address, const std::vector<std::string>& records) {
    size_t n = 0;
    for (; n < records.size(); ++n) {
        const std::string& r = records[n];
        const size_t digits = r.find_first_not_of("0123456789", 1);
        if (r.empty() || r[0] != address || digits == 1 ||
            std::strtoul(r.substr(1, digits - 1).c_str(), nullptr, 10) != n + 1) {
            break;
        }
    }
    return n;
}

struct Check {
    std::string label;
    std::string value;
    bool ok;
};

void print_row(const std::string& label, const std::string& value) {
    std::printf("  %-38s %s\n", label.c_str(), value.c_str());
}

std::string kb(long value) {
    return std::to_string(value) + " kB";
}

}  // namespace

int main(int argc, char** argv) {
    int exit_code = 0;
    const auto options = parse(argc, argv, exit_code);
    if (!options) return exit_code;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (options->service) {
        bench::ServiceSoakOptions service{options->minutes,    options->seed,    options->baud,
                                          options->fault_rate, options->late_ms, options->vantrel};
        if (options->carrier_rate >= 0) service.carrier_rate = options->carrier_rate;
        service.keep = options->keep;
        if (options->time_out_ms > 0) service.time_out_ms = options->time_out_ms;
        return bench::service_soak(service);
    }

    simlaunch::TempDir dir;
    const std::string trace = dir.file("termsim.trace");
    std::string error;
    auto sim =
        simlaunch::SimProcess::start(dir.file("com1"), termsim_args(*options, dir, trace), &error);
    if (!sim) {
        std::fprintf(stderr, "linksoak: %s\n", error.c_str());
        return 1;
    }
    setenv("VANTLINK_COM1", sim->link().c_str(), 1);
    if (HM_OpenCommPort(kPort, options->baud, 8, 0, 1) != 1) {
        std::fprintf(stderr, "linksoak: cannot open %s\n", sim->link().c_str());
        return 1;
    }
    std::printf("linksoak: vantlink %d, %g min, seed %u, %d baud, faults %.0f %%, late %d ms\n",
                HM_version(), options->minutes, options->seed, options->baud,
                100 * options->fault_rate, options->late_ms);
    std::printf(
        "  repeat: linksoak --minutes %g --seed %u --baud %d --fault-rate %g --late-ms %d\n\n",
        options->minutes, options->seed, options->baud, options->fault_rate, options->late_ms);

    const double run_s = options->minutes * 60;
    const double sample_s = std::min(60.0, run_s / 10);
    std::optional<Memory> early;
    Soak soak(dir);
    const double cpu_start = cpu_seconds();
    const auto start = Clock::now();
    for (long turn = 0; seconds_since(start) < run_s; ++turn) {
        for (const char* a = kAddresses; *a; ++a) soak.poll_turn(*a);
        soak.transfer(turn);
        if (!early && seconds_since(start) >= sample_s) early = read_memory();
    }
    const double wall_s = seconds_since(start);
    const double cpu_s = cpu_seconds() - cpu_start;
    const Memory late = read_memory();
    if (!early) early = late;
    soak.close_poll_file();
    HM_CloseCommPort(kPort);
    sim->stop();
    sim.reset();

    const Counts& c = soak.counts();
    const RecordLists stored = stored_records(dir.file("poll.dat"));
    const TerminalSide side = terminal_side(trace);

    std::vector<Check> checks;
    for (const char* a = kAddresses; *a; ++a) {
        const auto find = [&](const RecordLists& lists) {
            const auto it = lists.find(*a);
            return it == lists.end() ? std::vector<std::string>{} : it->second;
        };
        const std::vector<std::string> acked = find(side.acknowledged);
        const std::vector<std::string> kept = find(stored);
        size_t same = 0;
        while (same < acked.size() && same < kept.size() && acked[same] == kept[same]) ++same;
        std::string value = std::to_string(acked.size()) + " acknowledged, " +
                            std::to_string(kept.size()) + " stored";
        const size_t numbered = numbered_from_one(*a, kept);
        if (numbered < kept.size()) value += ", out of turn at " + std::to_string(numbered + 1);
        const bool ok = same == acked.size() && same == kept.size() && !acked.empty() &&
                        numbered == kept.size();
        if (same < acked.size() || same < kept.size()) {
            value += ", first difference at " + std::to_string(same + 1);
            std::printf("  %c record %zu: acknowledged \"%s\", stored \"%s\"\n", *a, same + 1,
                        same < acked.size() ? acked[same].c_str() : "(none)",
                        same < kept.size() ? kept[same].c_str() : "(none)");
        }
        checks.push_back({std::string("records of ") + *a, value, ok});
    }
    checks.push_back({"files moved whole",
                      std::to_string(c.downloads + c.uploads) + " verified, " +
                          std::to_string(c.corrupt) + " wrong, " + std::to_string(c.given_up) +
                          " never done",
                      c.corrupt == 0 && c.given_up == 0 && c.downloads > 0 && c.uploads > 0});
    checks.push_back({"VmRSS flat (margin " + kb(kRssMarginKb) + ")",
                      kb(early->rss_kb) + " -> " + kb(late.rss_kb),
                      late.rss_kb <= early->rss_kb + kRssMarginKb});
    checks.push_back({"VmHWM flat (margin " + kb(kRssMarginKb) + ")",
                      kb(early->hwm_kb) + " -> " + kb(late.hwm_kb),
                      late.hwm_kb <= early->hwm_kb + kRssMarginKb});
    checks.push_back({"open descriptors flat",
                      std::to_string(early->fds) + " -> " + std::to_string(late.fds),
                      late.fds <= early->fds});

    char text[64];
    std::printf("  %-38s %s\n", "soak", "figure");
    std::snprintf(text, sizeof text, "%.1f s", wall_s);
    print_row("wall time", text);
    print_row("polls", std::to_string(c.polls));
    print_row("  records", std::to_string(c.records));
    print_row("  no data", std::to_string(c.no_data));
    print_row("  time-outs", std::to_string(c.timeouts));
    print_row("  NAK or bad check", std::to_string(c.nak));
    print_row("  other answers", std::to_string(c.other));
    print_row("downloads verified", std::to_string(c.downloads));
    print_row("  failed attempts retried", std::to_string(c.download_retries));
    print_row("uploads verified", std::to_string(c.uploads));
    print_row("  failed attempts retried", std::to_string(c.upload_retries));
    long injected = 0;
    for (const auto& [kind, count] : side.faults) {
        print_row("fault injected: " + kind, std::to_string(count));
        injected += count;
    }
    print_row("faults injected in all", std::to_string(injected));
    std::snprintf(text, sizeof text, "%.2f s (%.1f %%)", cpu_s, 100 * cpu_s / wall_s);
    print_row("CPU", text);
    std::snprintf(text, sizeof text, "%.1f ms",
                  c.records ? 1000 * cpu_s / static_cast<double>(c.records) : 0.0);
    print_row("CPU per record (transfers included)", text);
    std::snprintf(text, sizeof text, "%s after %.0f s, %s at the end", kb(early->hwm_kb).c_str(),
                  sample_s, kb(late.hwm_kb).c_str());
    print_row("VmHWM", text);
    std::printf("\n  %-38s %-44s %s\n", "check", "value", "result");
    bool ok = true;
    for (const Check& check : checks) {
        std::printf("  %-38s %-44s %s\n", check.label.c_str(), check.value.c_str(),
                    check.ok ? "ok" : "FAILED");
        ok &= check.ok;
    }
    std::printf("\nlinksoak: %s\n", ok ? "all checks passed" : "FAILED");
    return ok ? 0 : 1;
}
