#include "service_soak.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "children.h"
#include "sim_launcher.h"

namespace bench {
namespace {

constexpr int kLines = 3;
// Distinct addresses on every line: the one data file tells the lines apart by them.
constexpr const char* kLineAddresses[kLines] = {"AB", "CD", "EF"};
constexpr int kRecordLength[] = {40, 12};  // the first and second terminal of a line
constexpr int kModemLine = 2;
constexpr char kPhoneNumber[] = "5551234";
constexpr int kKillsPerRun = 12;  // a kill every twelfth of the run, the last at its end left out
constexpr std::int64_t kRestartMs = 5000;     // the unit's RestartSec=
constexpr std::int64_t kStopGraceMs = 10000;  // the unit's TimeoutStopSec=
constexpr std::int64_t kStallLimitMs = 60000;
constexpr double kTickS = 0.25;
constexpr std::int64_t kSampleMs = 1000;
// The resident set moves by allocator pages and by the panes filling up to their bounds; a
// leak per record or per poll passes this within an instance's minutes.
constexpr long kRssMarginKb = 2048;
constexpr std::size_t kMinSamples = 8;  // an instance sampled less often is not judged
// The terminal notes the ACK a little after the host sent it, possibly after the kill.
constexpr std::int64_t kAckSlackMs = 300;
constexpr long kMaxRecords = 9'999'999;
constexpr int kSimNice = -10;
constexpr std::int64_t kLagWindowMs = 5000;  // the records' numbers stay at seven digits
constexpr const char* kFaultKinds[] = {"nak", "check", "check1", "noise", "silence", "late"};

std::int64_t now_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);  // the clock of termsim's trace
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

std::uint32_t text_hash(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

// The complete lines appended to a file since the last call.
class Tail {
public:
    explicit Tail(std::string path) : path_(std::move(path)) {}
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::ifstream in(path_, std::ios::binary);
        if (!in) return out;
        in.seekg(offset_);
        char chunk[65536];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            partial_.append(chunk, static_cast<std::size_t>(in.gcount()));
            offset_ += in.gcount();
        }
        std::size_t start = 0;
        for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
             start = end + 1) {
            out.push_back(partial_.substr(start, end - start));
        }
        partial_.erase(0, start);
        return out;
    }

private:
    std::string path_;
    std::streamoff offset_ = 0;
    std::string partial_;
};

// "MS # A: record acknowledged: TEXT (N waiting)" in termsim's trace.
struct Ack {
    std::int64_t ms = 0;
    char address = 0;
    std::string text;
    long waiting = 0;
};

std::optional<Ack> parse_ack(const std::string& line) {
    static const std::string kMark = ": record acknowledged: ";
    const std::size_t event = line.find(" # ");
    if (event == std::string::npos || line.compare(event + 4, kMark.size(), kMark) != 0)
        return std::nullopt;
    const std::string rest = line.substr(event + 4 + kMark.size());
    const std::size_t waiting = rest.rfind(" (");
    if (waiting == std::string::npos) return std::nullopt;
    return Ack{std::atoll(line.c_str()), line[event + 3], rest.substr(0, waiting),
               std::atol(rest.c_str() + waiting + 2)};
}

// The number a generated record carries after its address; 0 when it is no such record.
long record_number(char address, const std::string& text) {
    if (text.size() < 2 || text[0] != address) return 0;
    const std::size_t digits = text.find_first_not_of("0123456789", 1);
    if (digits == 1) return 0;
    const long n = std::atol(text.substr(1, digits - 1).c_str());
    return n <= kMaxRecords ? n : 0;
}

struct Sample {
    long rss_kb = 0;
    long fds = 0;
};

std::optional<Sample> sample_process(pid_t pid) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream status(proc + "/status");
    Sample sample;
    bool found = false;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) sample.rss_kb = std::atol(line.c_str() + 6), found = true;
    }
    std::error_code error;
    for (std::filesystem::directory_iterator it(proc + "/fd", error), end; !error && it != end;
         it.increment(error)) {
        ++sample.fds;
    }
    if (!found || error) return std::nullopt;
    return sample;
}

// One run of an instance, from its start to its kill or exit.
struct Life {
    std::int64_t started_ms = 0;
    bool warm = false;  // it has stored a record: start-up (and dialling) is behind it
    std::vector<Sample> samples;
};

long median(std::vector<long> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// First and last quarter of a life, by their medians: a descriptor opened for one write or a
// page touched once does not move them, growth does.
struct Drift {
    long rss_first = 0, rss_last = 0, fds_first = 0, fds_last = 0;
    bool judged = false;
    bool flat() const {
        return !judged || (rss_last <= rss_first + kRssMarginKb && fds_last <= fds_first);
    }
};

Drift drift_of(const Life& life) {
    Drift drift;
    const std::size_t n = life.samples.size();
    if (n < kMinSamples) return drift;
    const std::size_t quarter = n / 4;
    std::vector<long> rss[2], fds[2];
    for (std::size_t i = 0; i < quarter; ++i) {
        for (int part = 0; part < 2; ++part) {
            const Sample& s = life.samples[part == 0 ? i : n - quarter + i];
            rss[part].push_back(s.rss_kb);
            fds[part].push_back(s.fds);
        }
    }
    drift.rss_first = median(rss[0]);
    drift.rss_last = median(rss[1]);
    drift.fds_first = median(fds[0]);
    drift.fds_last = median(fds[1]);
    drift.judged = true;
    return drift;
}

struct LineRecord {
    std::int64_t ms;
    char address;
    long number;
};

struct Line {
    int index = 0;
    std::string addresses;
    bool modem = false;
    std::string folder;
    Child sim;
    std::string link;
    std::unique_ptr<Tail> trace;
    Child vantrel;
    std::vector<Life> lives;
    std::int64_t restart_at_ms = -1;
    std::vector<std::int64_t> kills_ms;
    int exits = 0;         // ended by itself (started again, as the unit's Restart= does)
    int forced_stops = 0;  // did not end on SIGTERM at the end of the run
    std::vector<std::int64_t> lags_ms;  // when the simulator read requests late (its clock)
    std::vector<LineRecord> acks;       // in the order the terminals saw them
    std::map<char, long> waiting;       // per terminal, after its last acknowledged record
    std::int64_t last_stored_ms = 0;
    std::int64_t longest_stall_ms = 0;
    long stored = 0;
    long stray = 0;                                // stored lines that are no terminal's record
    std::vector<std::pair<char, long>> misplaced;  // records stored under another terminal
};

long records_per_terminal(const ServiceSoakOptions& o, int length);

struct RecordState {
    std::int64_t acked_ms = -1;
    std::uint32_t acked_hash = 0;
    std::uint32_t stored_hash = 0;
    int stored = 0;
};

class ServiceSoak {
public:
    explicit ServiceSoak(const ServiceSoakOptions& options) : o_(options) {}
    int run();

private:
    bool set_up(std::string& error);
    bool start_sim(Line& line, std::string& error);
    bool start_vantrel(Line& line, std::string& error);
    void kill_instance(Line& line);
    void stop_all();
    void read_records(bool running);
    void read_traces();
    void sample(std::int64_t now);
    int report(std::int64_t run_ms);
    Line* line_of(char address) {
        for (Line& line : lines_)
            if (line.addresses.find(address) != std::string::npos) return &line;
        return nullptr;
    }
    RecordState& record(char address, long number) {
        std::vector<RecordState>& list = records_[address];
        if (list.size() < static_cast<std::size_t>(number)) list.resize(number);
        return list[number - 1];
    }

    ServiceSoakOptions o_;
    std::string folder_;
    std::int64_t start_ms_ = 0;
    std::string data_file_;
    std::string token_file_;
    std::string vantrel_;
    Line lines_[kLines];
    std::unique_ptr<Tail> data_;
    std::map<char, std::vector<RecordState>> records_;  // by address, then number - 1
    long foreign_ = 0;                                  // data file lines of no line's terminal
    bool sims_ahead_ = true;  // the simulators run ahead of the rest for the processor
};

long records_per_terminal(const ServiceSoakOptions& o, int length) {
    // More than the line could carry in the run even for one terminal alone: they never run dry.
    const double per_second = o.baud / 10.0 / (length + 10);
    return std::min(kMaxRecords, std::lround(o.minutes * 60 * per_second) + 100);
}

bool ServiceSoak::start_sim(Line& line, std::string& error) {
    const double per_kind = 1 - std::pow(1 - o_.fault_rate, 1.0 / std::size(kFaultKinds));
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.5f", per_kind);
    line.link = line.folder + "/com1";
    std::vector<std::string> args = {simlaunch::termsim_path(),
                                     "--link",
                                     line.link,
                                     "--baud",
                                     std::to_string(o_.baud),
                                     "--seed",
                                     std::to_string(o_.seed + line.index),
                                     "--late-ms",
                                     std::to_string(o_.late_ms),
                                     "--trace",
                                     line.folder + "/termsim.trace"};
    for (const char* kind : kFaultKinds)
        args.insert(args.end(), {std::string("--fault-") + kind, rate});
    if (line.modem) {
        args.push_back("--modem");
        if (o_.carrier_rate > 0)
            args.insert(args.end(), {"--fault-carrier", std::to_string(o_.carrier_rate)});
    }
    for (std::size_t t = 0; t < line.addresses.size(); ++t) {
        const int length = kRecordLength[t % std::size(kRecordLength)];
        args.insert(args.end(),
                    {"--terminal", std::string(1, line.addresses[t]) + ",generate=" +
                                       std::to_string(records_per_terminal(o_, length)) + "x" +
                                       std::to_string(length)});
    }
    // Started as a child that dies with the soak; ready once it has printed the slave's path.
    const std::string log = line.folder + "/termsim.log";
    if (!line.sim.start(args, line.folder, {}, log, error)) return false;
    // The terminals stand for hardware, which is never late for want of a processor: an answer
    // delayed past the time-out by a busy machine would be taken for the next terminal's.
    sims_ahead_ &= setpriority(PRIO_PROCESS, static_cast<id_t>(line.sim.pid()), kSimNice) == 0;
    for (int waited = 0; waited < 200; ++waited) {
        std::ifstream in(log);
        std::string ready;
        if (std::getline(in, ready) && !in.eof() && access(line.link.c_str(), F_OK) == 0)
            return true;
        if (!line.sim.running()) break;
        if (!pause_for(0.05)) break;
    }
    error =
        "termsim of line " + std::to_string(line.index + 1) + " did not get ready (" + log + ")";
    return false;
}

bool ServiceSoak::start_vantrel(Line& line, std::string& error) {
    std::vector<std::string> argv = {vantrel_};
    if (line.modem) argv.push_back(kPhoneNumber);  // with Use_modem the number comes first
    argv.insert(argv.end(), {line.addresses, "1"});
    // The unit's environment: no display, its own runtime folder, the line's device.
    if (!line.vantrel.start(argv, line.folder,
                            {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + line.folder + "/run",
                             "VANTLINK_COM1=" + line.link},
                            line.folder + "/vantrel.log", error)) {
        return false;
    }
    line.lives.push_back({now_ms(), false, {}});
    return true;
}

bool ServiceSoak::set_up(std::string& error) {
    char pattern[] = "/tmp/linksoak-service-XXXXXX";
    if (!mkdtemp(pattern)) return error = "cannot make a folder in /tmp", false;
    folder_ = pattern;
    // As vantrel-poll-setup --shared-data --shared-token leaves them: a free token, an empty
    // data file, and each line's token.txt a link to the shared token.
    mkdir((folder_ + "/shared").c_str(), 0775);
    data_file_ = folder_ + "/shared/POLL.DAT";
    token_file_ = folder_ + "/shared/token.txt";
    std::ofstream(token_file_) << "Available  ";
    std::ofstream{data_file_};
    data_ = std::make_unique<Tail>(data_file_);
    for (int i = 0; i < kLines; ++i) {
        Line& line = lines_[i];
        line.index = i;
        line.addresses = kLineAddresses[i];
        line.modem = i == kModemLine;
        line.folder = folder_ + "/line" + std::to_string(i + 1);
        mkdir(line.folder.c_str(), 0750);
        mkdir((line.folder + "/run").c_str(), 0700);
        if (symlink(token_file_.c_str(), (line.folder + "/token.txt").c_str()) != 0)
            return error = "cannot link " + line.folder + "/token.txt", false;
        std::ofstream(line.folder + "/Vantcom.ini")
            << "[Communication]\nPort=1\nBaudRate=" << o_.baud
            << "\nTerminal_type=KD31/KD32\nTime_out=" << o_.time_out_ms
            << "\nAddress=" << line.addresses
            << "\nErrorLog=Append\n[POLL]\nFile_Name=" << data_file_
            << "\nOpen_Method=Append\nPolling_Period=Continuous\nToken_file=Yes\n"
               "[COMMAND_LINE]\nAUTO_EXIT=Yes\nSHOW_ERROR_BOX=No\n[Modem]\nUse_modem="
            << (line.modem ? "Yes" : "No") << "\n";
        line.trace = std::make_unique<Tail>(line.folder + "/termsim.trace");
        if (!start_sim(line, error)) return false;
    }
    for (Line& line : lines_) {
        if (!start_vantrel(line, error)) return false;
        line.last_stored_ms = now_ms();
    }
    return true;
}

void ServiceSoak::kill_instance(Line& line) {
    std::printf("  %7.1f s  line %d: SIGKILL to %d\n", (now_ms() - start_ms_) / 1000.0,
                line.index + 1, static_cast<int>(line.vantrel.pid()));
    kill(line.vantrel.pid(), SIGKILL);
    line.kills_ms.push_back(now_ms());
    // Reaped at once, as the service manager does: a token left behind names a process that
    // must be seen to be gone.
    line.vantrel.stop();
    line.restart_at_ms = now_ms() + kRestartMs;
}

void ServiceSoak::stop_all() {
    for (Line& line : lines_) line.vantrel.ask_to_stop();
    const std::int64_t deadline = now_ms() + kStopGraceMs;
    for (Line& line : lines_) {
        while (line.vantrel.running() && now_ms() < deadline) usleep(20'000);
        if (line.vantrel.running()) ++line.forced_stops;
        line.vantrel.stop(0);
    }
}

void ServiceSoak::read_records(bool running) {
    const std::int64_t now = now_ms();
    for (std::string text : data_->lines()) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        Line* line = text.size() > 2 && text[1] == ' ' ? line_of(text[0]) : nullptr;
        if (!line) {
            ++foreign_;
            std::printf("  data file: a line of no terminal: \"%s\"\n", text.c_str());
            continue;
        }
        ++line->stored;
        if (running) {
            line->longest_stall_ms = std::max(line->longest_stall_ms, now - line->last_stored_ms);
            line->last_stored_ms = now;
            if (line->vantrel.pid() > 0) line->lives.back().warm = true;
        }
        const std::string data = text.substr(2);
        const long number = data.empty() ? 0 : record_number(data[0], data);
        // A number no terminal made is stray too, and gets no slot.
        if (number == 0 || number > records_per_terminal(o_, kRecordLength[1]) ||
            !line_of(data[0])) {
            ++line->stray;
            continue;
        }
        if (data[0] != text[0]) {
            line->misplaced.emplace_back(data[0], number);
            continue;
        }
        RecordState& state = record(text[0], number);
        if (state.stored++ == 0) state.stored_hash = text_hash(data);
    }
}

void ServiceSoak::read_traces() {
    for (Line& line : lines_) {
        for (const std::string& text : line.trace->lines()) {
            // Requests read together (a poll, or a NAK, and the next one): the simulator was not
            // reading while the host waited its time-out out.
            if (text.find(" < SIM ") != std::string::npos) {
                int requests = 0;
                for (const char* word : {" STX", " NAK"}) {
                    for (std::size_t at = text.find(word); at != std::string::npos;
                         at = text.find(word, at + 1))
                        ++requests;
                }
                if (requests >= 2) line.lags_ms.push_back(std::atoll(text.c_str()));
            }
            const auto ack = parse_ack(text);
            if (!ack) continue;
            const long number = record_number(ack->address, ack->text);
            if (number == 0) continue;
            RecordState& state = record(ack->address, number);
            state.acked_ms = ack->ms;
            state.acked_hash = text_hash(ack->text);
            line.acks.push_back({ack->ms, ack->address, number});
            line.waiting[ack->address] = ack->waiting;
        }
    }
}

void ServiceSoak::sample(std::int64_t now) {
    for (Line& line : lines_) {
        // Time with nothing to poll is no stall.
        const bool dry = !line.waiting.empty() &&
                         std::all_of(line.waiting.begin(), line.waiting.end(),
                                     [](const auto& terminal) { return terminal.second == 0; });
        if (dry) line.last_stored_ms = now;
        if (line.vantrel.pid() <= 0 || line.lives.empty() || !line.lives.back().warm) continue;
        if (const auto s = sample_process(line.vantrel.pid()))
            line.lives.back().samples.push_back(*s);
    }
}

int ServiceSoak::run() {
    const auto program = find_program(o_.vantrel, "vantrel", "host");
    if (program.empty()) {
        std::fprintf(stderr, "linksoak: no vantrel found (give --vantrel PATH)\n");
        return 1;
    }
    vantrel_ = program;
    const std::int64_t run_ms = std::llround(o_.minutes * 60'000);
    const std::int64_t kill_every_ms = run_ms / kKillsPerRun;
    std::printf(
        "linksoak --service: %d lines of vantrel (line %d dialled through a modem), one data "
        "file and token, %d baud, time-out %d ms, faults %.0f %%, late %d ms, %g min, a SIGKILL "
        "every %.0f s\n",
        kLines, kModemLine + 1, o_.baud, o_.time_out_ms, 100 * o_.fault_rate, o_.late_ms,
        o_.minutes, kill_every_ms / 1000.0);
    std::printf(
        "  repeat: linksoak --service --minutes %g --seed %u --baud %d --fault-rate %g "
        "--late-ms %d --time-out %d\n",
        o_.minutes, o_.seed, o_.baud, o_.fault_rate, o_.late_ms, o_.time_out_ms);
    std::string error;
    if (!set_up(error)) {
        std::fprintf(stderr, "linksoak: %s\n", error.c_str());
        return 1;
    }
    std::printf("  folder: %s\n", folder_.c_str());

    const std::int64_t start = start_ms_ = now_ms();
    std::int64_t next_sample = start;
    int kills = 0;
    bool interrupted = false;
    for (std::int64_t now = start; now - start < run_ms; now = now_ms()) {
        if (stop_requested()) {
            interrupted = true;
            break;
        }
        for (Line& line : lines_) {
            if (line.vantrel.pid() > 0 && !line.vantrel.running()) {
                std::printf("  %7.1f s  line %d: ended by itself\n", (now - start) / 1000.0,
                            line.index + 1);
                ++line.exits;
                line.restart_at_ms = now + kRestartMs;
            }
            if (line.restart_at_ms >= 0 && now >= line.restart_at_ms) {
                line.restart_at_ms = -1;
                if (!start_vantrel(line, error)) {
                    std::fprintf(stderr, "linksoak: %s\n", error.c_str());
                    interrupted = true;
                }
            }
        }
        // In turn; an instance waiting to be started again is killed once it runs.
        if (kills + 1 < kKillsPerRun && now - start >= (kills + 1) * kill_every_ms) {
            Line& line = lines_[kills % kLines];
            if (line.vantrel.pid() > 0) {
                kill_instance(line);
                ++kills;
            }
        }
        read_traces();
        read_records(true);
        if (now >= next_sample) {
            sample(now);
            next_sample += kSampleMs;
        }
        if (interrupted) break;
        pause_for(kTickS);
    }
    const std::int64_t end = now_ms();
    read_traces();
    read_records(true);
    for (Line& line : lines_) {
        const bool dry = !line.waiting.empty() &&
                         std::all_of(line.waiting.begin(), line.waiting.end(),
                                     [](const auto& terminal) { return terminal.second == 0; });
        if (!dry)
            line.longest_stall_ms = std::max(line.longest_stall_ms, end - line.last_stored_ms);
    }
    stop_all();
    // Every byte the hosts sent has reached the terminals before they are stopped.
    pause_for(0.3);
    for (Line& line : lines_) line.sim.stop();
    read_traces();
    read_records(false);
    if (interrupted) {
        std::printf("linksoak: interrupted; the folder is kept: %s\n", folder_.c_str());
        return 1;
    }
    return report(end - start);
}

std::string kb_pair(long first, long last) {
    return std::to_string(first) + "/" + std::to_string(last);
}

int ServiceSoak::report(std::int64_t run_ms) {
    bool ok = foreign_ == 0;
    std::printf("\n");
    std::printf("  %-4s %-5s %7s %7s %4s %5s %7s %7s %6s %7s %15s %7s %5s %5s\n", "line", "terms",
                "acked", "stored", "dup", "stray", "missing", "allowed", "lagged", "stall s",
                "RSS kB first/last", "fds f/l", "kills", "exits");
    for (Line& line : lines_) {
        // An answer the simulator sent late past the time-out is taken for the next terminal's:
        // what goes wrong near such a moment is the busy machine's doing, not the program's.
        const auto near_lag = [&line](std::int64_t ms) {
            return ms >= 0 && std::any_of(line.lags_ms.begin(), line.lags_ms.end(), [ms](auto lag) {
                       return std::llabs(lag - ms) <= kLagWindowMs;
                   });
        };
        // The record in hand at a kill is the line's last one acknowledged before it.
        std::vector<std::pair<char, long>> in_hand;
        for (const std::int64_t kill_ms : line.kills_ms) {
            const LineRecord* last = nullptr;
            for (const LineRecord& ack : line.acks)
                if (ack.ms <= kill_ms + kAckSlackMs) last = &ack;
            if (last) in_hand.emplace_back(last->address, last->number);
        }
        long acked = 0, duplicates = 0, missing = 0, allowed = 0, lagged = 0, stray = line.stray;
        for (const auto& [address, number] : line.misplaced)
            ++(near_lag(record(address, number).acked_ms) ? lagged : stray);
        for (char address : line.addresses) {
            const std::vector<RecordState>& list = records_[address];
            for (std::size_t i = 0; i < list.size(); ++i) {
                const RecordState& r = list[i];
                const std::pair<char, long> key(address, static_cast<long>(i) + 1);
                if (r.acked_ms >= 0) ++acked;
                if (r.stored > 1) (near_lag(r.acked_ms) ? lagged : duplicates) += r.stored - 1;
                if (r.acked_ms >= 0 && r.stored == 0) {
                    if (std::find(in_hand.begin(), in_hand.end(), key) != in_hand.end())
                        ++allowed;
                    else
                        ++(near_lag(r.acked_ms) ? lagged : missing);
                }
                // Stored without an acknowledgement, or other than acknowledged.
                if (r.stored > 0 && (r.acked_ms < 0 || r.stored_hash != r.acked_hash)) ++stray;
            }
        }
        Drift worst;
        for (const Life& life : line.lives) {
            const Drift drift = drift_of(life);
            if (!drift.judged) continue;
            const bool worse = !worst.judged || !drift.flat() ||
                               drift.rss_last - drift.rss_first > worst.rss_last - worst.rss_first;
            if (worst.flat() && worse) worst = drift;
        }
        const bool line_ok = acked > 0 && duplicates == 0 && stray == 0 && missing == 0 &&
                             line.longest_stall_ms <= kStallLimitMs && worst.judged &&
                             worst.flat() && line.forced_stops == 0;
        ok &= line_ok;
        std::printf("  %-4d %-5s %7ld %7ld %4ld %5ld %7ld %7ld %6ld %7.1f %15s %7s %5zu %5d  %s\n",
                    line.index + 1, (line.addresses + (line.modem ? "~" : "")).c_str(), acked,
                    line.stored, duplicates, stray, missing, allowed, lagged,
                    line.longest_stall_ms / 1000.0,
                    kb_pair(worst.rss_first, worst.rss_last).c_str(),
                    kb_pair(worst.fds_first, worst.fds_last).c_str(), line.kills_ms.size(),
                    line.exits, line_ok ? "ok" : "FAILED");
        if (line.forced_stops) std::printf("        did not end on SIGTERM within 10 s\n");
        if (!worst.judged) std::printf("        no instance ran long enough to be judged\n");
    }
    std::ifstream token(token_file_);
    std::string left;
    std::getline(token, left);
    const bool token_free = left.rfind("Available", 0) == 0;
    ok &= token_free;
    std::size_t lags = 0;
    for (const Line& line : lines_) lags += line.lags_ms.size();
    std::printf(
        "\n  %.1f min. ~ dialled through the modem. dup, stray (stored under another terminal, or\n"
        "  never acknowledged) and missing fail the run; allowed: the record in hand at a kill;\n"
        "  lagged: mixed up within %lld s of one of the %zu times a simulator read a request late\n"
        "  (starved by a busy machine, %s), when an answer too late\n"
        "  for its poll is taken for the next one's. stall: the longest time without a stored\n"
        "  record while the terminals had some. RSS and fds: medians of the first and last "
        "quarter\n"
        "  of an instance's life, the one that grew most (RSS margin %ld kB). Token at the end: "
        "%s.\n",
        run_ms / 60000.0, static_cast<long long>(kLagWindowMs / 1000), lags,
        sims_ahead_ ? "though run ahead of the rest" : "at the usual priority", kRssMarginKb,
        token_free ? "free" : left.c_str());
    if (foreign_) std::printf("  %ld lines of the data file belong to no terminal\n", foreign_);
    std::printf("\nlinksoak: %s\n", ok ? "all checks passed" : "FAILED");
    if (ok && !o_.keep) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    } else {
        std::printf("  the folder is kept (logs, traces, data file): %s\n", folder_.c_str());
    }
    return ok ? 0 : 1;
}

}  // namespace

int service_soak(const ServiceSoakOptions& options) {
    install_stop_handlers();
    ServiceSoak soak(options);
    return soak.run();
}

}  // namespace bench
