#include "many_lines.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <numeric>

#include "children.h"
#include "sim_launcher.h"

namespace bench {
namespace {

constexpr int kBaud = 9600;
constexpr const char* kAddresses = "ABCD";
// A simulator that hands each byte over on its own costs a wake-up per byte: with many lines
// it, not the poller, would be what is measured.
constexpr const char* kSimFifo = "16";
constexpr double kWarmUpLimitS = 120;

enum class Poller { Vantctl, Vantrel };

// One line: its simulator, its poller, and the file the poller writes a CR LF line per record to.
struct Line {
    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    Child poller;
    std::string records_file;
    long records_counted = 0;  // lines in records_file up to counted_bytes
    std::streamoff counted_bytes = 0;

    long count_records() {
        std::ifstream in(records_file, std::ios::binary);
        in.seekg(counted_bytes);
        char chunk[65536];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            records_counted += std::count(chunk, chunk + in.gcount(), '\n');
            counted_bytes += in.gcount();
        }
        return records_counted;
    }
};

// As vantrel-poll-setup writes it for a line: continuous unattended polling into POLL.DAT.
void write_vantrel_settings(const std::string& folder) {
    std::ofstream(folder + "/Vantcom.ini")
        << "[Communication]\r\nPort=1\r\nBaudRate=" << kBaud
        << "\r\nTerminal_type=KD31/KD32\r\nAddress=" << kAddresses
        << "\r\nErrorLog=Append\r\n[POLL]\r\nFile_Name=POLL.DAT\r\nOpen_Method=Append\r\n"
           "Polling_Period=Continuous\r\nToken_file=No\r\n"
           "[COMMAND_LINE]\r\nAUTO_EXIT=Yes\r\nSHOW_ERROR_BOX=No\r\n[Modem]\r\nUse_modem=No\r\n";
}

bool start_sim(Line& line, std::string& error) {
    std::vector<std::string> args = {"--baud", std::to_string(kBaud), "--fifo", kSimFifo};
    for (const char* a = kAddresses; *a; ++a)
        args.insert(args.end(), {"--terminal", std::string(1, *a) + ",generate=100000x40"});
    line.sim = simlaunch::SimProcess::start(line.folder.file("com1"), args, &error);
    return line.sim != nullptr;
}

bool start_poller(Line& line, Poller kind, const std::string& program, std::string& error) {
    const std::string log = line.folder.file("poller.log");
    if (kind == Poller::Vantctl) {
        line.records_file = line.folder.file("records.txt");
        return line.poller.start(
            {program, "--device", line.sim->link(), "--baud", std::to_string(kBaud), "poll",
             kAddresses, "--until-idle", "86400", "--output", line.records_file},
            line.folder.path(), {}, log, error);
    }
    write_vantrel_settings(line.folder.path());
    const std::string runtime = line.folder.file("run");
    mkdir(runtime.c_str(), 0700);
    line.records_file = line.folder.file("POLL.DAT");
    // The service's command: vantrel ADDRESSES 1, without a display.
    return line.poller.start({program, kAddresses, "1"}, line.folder.path(),
                             {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime,
                              "VANTLINK_COM1=" + line.sim->link()},
                             log, error);
}

struct Snapshot {
    std::chrono::steady_clock::time_point at;
    std::vector<long> records;
    double poller_cpu = 0;
    double sim_cpu = 0;
};

Snapshot take_snapshot(std::vector<std::unique_ptr<Line>>& lines) {
    Snapshot s;
    s.at = std::chrono::steady_clock::now();
    for (auto& line : lines) {
        s.records.push_back(line->count_records());
        s.poller_cpu += std::max(0.0, process_cpu_seconds(line->poller.pid()));
        s.sim_cpu += std::max(0.0, process_cpu_seconds(line->sim->pid()));
    }
    return s;
}

struct RowFigure {
    bool ok = false;
    double mean_rate = 0;  // records per second of a line, averaged over the lines
    double worst_rate = 0;
    double poller_ms_per_record = 0;
    double sim_ms_per_record = 0;
    double poller_cores = 0;  // CPU seconds per second, all pollers together
    double sim_cores = 0;
    std::string problem;
};

RowFigure run_row(Poller kind, const std::string& program, int count, double seconds) {
    RowFigure figure;
    std::vector<std::unique_ptr<Line>> lines;
    // However the row ends, every poller is told first, then each is waited for in turn.
    struct AskAll {
        std::vector<std::unique_ptr<Line>>& lines;
        ~AskAll() {
            for (auto& line : lines) line->poller.ask_to_stop();
        }
    } ask_all{lines};
    std::string error;
    // Every simulator first: one that starts beside many busy pollers may not get ready in time.
    for (int i = 0; i < count && !stop_requested(); ++i) {
        lines.push_back(std::make_unique<Line>());
        if (!start_sim(*lines.back(), error)) {
            figure.problem = "line " + std::to_string(i + 1) + ": " + error;
            return figure;
        }
    }
    for (size_t i = 0; i < lines.size() && !stop_requested(); ++i) {
        if (!start_poller(*lines[i], kind, program, error)) {
            figure.problem = "line " + std::to_string(i + 1) + ": " + error;
            return figure;
        }
    }
    // Measured once every line delivers: start-up (Qt, the first open) stays out of it.
    const auto warm_up_end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(kWarmUpLimitS);
    for (;;) {
        const bool all = std::all_of(lines.begin(), lines.end(),
                                     [](auto& line) { return line->count_records() > 0; });
        if (all) break;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!lines[i]->poller.running()) {
                figure.problem = "the poller of line " + std::to_string(i + 1) +
                                 " ended (see its log, poller.log)";
                return figure;
            }
        }
        if (std::chrono::steady_clock::now() > warm_up_end) {
            figure.problem = "a line delivered no record within two minutes";
            return figure;
        }
        if (!pause_for(0.1)) return figure;
    }
    const Snapshot first = take_snapshot(lines);
    if (!pause_for(seconds)) return figure;
    const Snapshot last = take_snapshot(lines);
    const double wall = std::chrono::duration<double>(last.at - first.at).count();
    long total = 0;
    std::vector<double> rates;
    for (size_t i = 0; i < lines.size(); ++i) {
        const long records = last.records[i] - first.records[i];
        total += records;
        rates.push_back(records / wall);
    }
    figure.mean_rate = std::accumulate(rates.begin(), rates.end(), 0.0) / rates.size();
    figure.worst_rate = *std::min_element(rates.begin(), rates.end());
    const double poller_cpu = last.poller_cpu - first.poller_cpu;
    const double sim_cpu = last.sim_cpu - first.sim_cpu;
    if (total > 0) {
        figure.poller_ms_per_record = 1e3 * poller_cpu / total;
        figure.sim_ms_per_record = 1e3 * sim_cpu / total;
    }
    figure.poller_cores = poller_cpu / wall;
    figure.sim_cores = sim_cpu / wall;
    figure.ok = figure.worst_rate > 0;
    if (!figure.ok) figure.problem = "a line delivered nothing while measured";
    return figure;
}

std::string ratio(double part, double whole) {
    if (whole <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100.0 * part / whole);
    return text;
}

}  // namespace

bool many_lines_table(const ManyLinesOptions& options) {
    const int most = *std::max_element(options.counts.begin(), options.counts.end());
    // Each line holds a pseudo-terminal and a pipe from its simulator; the children have theirs.
    const long limit = raise_descriptor_limit(4L * most + 64);
    if (limit < 4L * most + 64)
        std::printf("  (open files limited to %ld: the largest rows may fail)\n", limit);
    std::printf("  %-8s %6s %9s %9s %9s %12s %12s %9s %9s  %s\n", "poller", "lines", "rec/s",
                "vs 1 line", "worst", "poller ms/r", "termsim ms/r", "pollers", "termsims",
                "(per line; CPU per record; CPU in cores)");
    bool ok = true;
    const std::pair<Poller, const std::string*> pollers[] = {{Poller::Vantctl, &options.vantctl},
                                                             {Poller::Vantrel, &options.vantrel}};
    for (const auto& [kind, program] : pollers) {
        const char* label = kind == Poller::Vantctl ? "vantctl" : "vantrel";
        if (program->empty()) {
            std::printf("  %-8s (not found in this build or install: its rows are left out)\n",
                        label);
            continue;
        }
        // Every count is set beside one line, measured first even when not asked for.
        std::vector<int> counts = options.counts;
        if (std::find(counts.begin(), counts.end(), 1) == counts.end())
            counts.insert(counts.begin(), 1);
        double single = 0;
        for (int count : counts) {
            if (stop_requested()) return false;
            const RowFigure f = run_row(kind, *program, count, options.seconds);
            if (stop_requested()) return false;
            if (!f.ok) {
                std::printf("  %-8s %6d  %s\n", label, count, f.problem.c_str());
                ok = false;
                continue;
            }
            if (count == 1) single = f.mean_rate;
            std::printf("  %-8s %6d %9.2f %9s %9s %12.3f %12.3f %9.2f %9.2f\n", label, count,
                        f.mean_rate, ratio(f.mean_rate, single).c_str(),
                        ratio(f.worst_rate, single).c_str(), f.poller_ms_per_record,
                        f.sim_ms_per_record, f.poller_cores, f.sim_cores);
        }
    }
    return ok;
}

}  // namespace bench
