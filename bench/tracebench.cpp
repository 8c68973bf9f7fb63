// What the Line Trace Window costs a file transfer: the same download and upload against
// termsim with the pane hidden and shown (offscreen), alternating, with the host's message pump
// installed as in vantrel.
#include <stdlib.h>

#include <QApplication>
#include <QMainWindow>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "line_trace_window.h"
#include "link_glue.h"
#include "log_pane.h"
#include "sim_launcher.h"
#include "vantlink.h"

namespace {

constexpr int kPort = 1;
using Clock = std::chrono::steady_clock;

struct Options {
    int reps = 5;
    int kib = 16;
    int baud = 57600;
};

// Download the content as BENCH.BIN, then upload it back; seconds, or a negative value when a
// step failed or the copy differs.
double round_trip(const std::string& path, const std::string& content) {
    const auto start = Clock::now();
    int32_t size = 0, bytes = 0, packets = 0;
    int32_t result = HM_download1(kPort, 'A', path.c_str(), "BENCH.BIN", &size);
    if (result == RC_SUCCESS) {
        while ((result = HM_download2(&bytes, &packets)) == RC_MORE) {
        }
    }
    if (result != RC_SUCCESS) return -1;
    std::string received;
    std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
    int32_t length = 0;
    result = HM_upload11(kPort, 'A', "BENCH.BIN");
    while (result == RC_SUCCESS && (result = HM_upload22(block.data(), &length)) == RC_MORE) {
        received.append(reinterpret_cast<char*>(block.data()), static_cast<size_t>(length));
        result = RC_SUCCESS;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return received == content ? seconds : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        int* target = nullptr;
        if (std::strcmp(argv[i], "--reps") == 0) target = &options.reps;
        if (std::strcmp(argv[i], "--kib") == 0) target = &options.kib;
        if (std::strcmp(argv[i], "--baud") == 0) target = &options.baud;
        if (target == nullptr || i + 1 >= argc) return false;
        *target = std::atoi(argv[++i]);
        if (*target <= 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: tracebench [--reps N] [--kib SIZE] [--baud RATE]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QMainWindow owner;
    owner.resize(800, 400);
    owner.show();
    vantrel::LineTraceWindow trace(&owner);
    vantrel::installMessagePump();

    simlaunch::TempDir dir;
    std::string error;
    auto sim = simlaunch::SimProcess::start(
        dir.file("com1"), {"--baud", std::to_string(options.baud), "--terminal", "A"}, &error);
    if (!sim) {
        std::fprintf(stderr, "tracebench: %s\n", error.c_str());
        return 1;
    }
    setenv("VANTLINK_COM1", sim->link().c_str(), 1);
    if (HM_OpenCommPort(kPort, options.baud, 8, 0, 1) != 1) {
        std::fprintf(stderr, "tracebench: cannot open %s\n", sim->link().c_str());
        return 1;
    }
    std::string content(static_cast<size_t>(options.kib) * 1024, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131) & 0xFF);
    const std::string path = dir.file("bench.bin");
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }

    std::printf("tracebench: %d KiB down and up at %d baud, Line Trace Window hidden vs shown\n\n",
                options.kib, options.baud);
    std::printf("  %4s %10s %10s %10s %12s\n", "rep", "hidden s", "shown s", "overhead",
                "pane lines");
    std::vector<double> hidden, shown;
    bool ok = true;
    for (int rep = 0; rep < options.reps && ok; ++rep) {
        // Alternating which runs first evens out a drift of the machine's load.
        double times[2] = {0, 0};
        for (int step = 0; step < 2; ++step) {
            const bool withPane = (step == 0) == (rep % 2 == 1);
            if (withPane) {
                trace.pane()->clearEntries();
                trace.show();
            }
            times[withPane ? 1 : 0] = round_trip(path, content);
            if (withPane) trace.hide();
            ok &= times[withPane ? 1 : 0] > 0;
        }
        if (!ok) break;
        hidden.push_back(times[0]);
        shown.push_back(times[1]);
        std::printf("  %4d %10.3f %10.3f %9.2f %% %12d\n", rep + 1, times[0], times[1],
                    100.0 * (times[1] - times[0]) / times[0], trace.pane()->entryCount());
    }
    HM_CloseCommPort(kPort);
    if (!ok) {
        std::fprintf(stderr, "tracebench: a transfer failed\n");
        return 1;
    }
    const double h = median(hidden), s = median(shown);
    std::printf("  %4s %10.3f %10.3f %9.2f %%\n", "med", h, s, 100.0 * (s - h) / h);
    const double hMin = *std::min_element(hidden.begin(), hidden.end());
    const double sMin = *std::min_element(shown.begin(), shown.end());
    std::printf("  %4s %10.3f %10.3f %9.2f %%\n", "min", hMin, sMin, 100.0 * (sMin - hMin) / hMin);
    return 0;
}
