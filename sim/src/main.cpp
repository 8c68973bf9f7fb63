// termsim: terminals and a modem on a pseudo-terminal, for tests, demos and the benchmark.
#include <poll.h>
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include "line.h"
#include "modem.h"
#include "options.h"
#include "pty_port.h"
#include "scheduler.h"
#include "vant_version.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void on_stop_signal(int) {
    g_stop = 1;
}

// Stop signals stay blocked except inside ppoll, so none is lost between checks.
sigset_t install_stop_signals() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    sigdelset(&previous, SIGTERM);
    sigdelset(&previous, SIGINT);
    return previous;
}

termsim::Nanos earliest(termsim::Nanos a, termsim::Nanos b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

std::unique_ptr<termsim::Line> build_line(const termsim::Options& options, termsim::Trace& trace,
                                          termsim::Downlink& downlink) {
    std::vector<std::unique_ptr<termsim::Terminal>> terminals;
    std::string tester_store;
    for (const auto& config : options.terminals) {
        if (config.address == termsim::Tester::kAddress) {
            tester_store = config.store_dir;
            continue;
        }
        terminals.push_back(std::make_unique<termsim::Terminal>(config, trace));
    }
    termsim::LineConfig line_config;
    line_config.turnaround = options.turnaround_ms * termsim::kNanosPerMilli;
    line_config.faults = options.faults;
    line_config.seed = options.seed;
    return std::make_unique<termsim::Line>(std::move(terminals),
                                           std::make_unique<termsim::Tester>(tester_store, trace),
                                           line_config, trace, downlink);
}

void run_loop(termsim::PtyPort& port, termsim::Scheduler& timers, termsim::Uplink& uplink,
              const sigset_t& wait_mask) {
    while (!g_stop) {
        const termsim::Nanos now = termsim::monotonic_now();
        timers.run_due(now);
        port.write_due(now);
        const termsim::Nanos next = earliest(timers.next(), port.next_due());
        timespec timeout{};
        timespec* wait = nullptr;
        if (next >= 0) {
            timeout = termsim::to_timespec(std::max<termsim::Nanos>(0, next - now));
            wait = &timeout;
        }
        pollfd pfd[2] = {{port.fd(), POLLIN, 0}, {port.close_watch_fd(), POLLIN, 0}};
        const int ready = ppoll(pfd, port.close_watch_fd() >= 0 ? 2 : 1, wait, &wait_mask);
        if (ready > 0 && (pfd[1].revents & POLLIN)) port.on_slave_closed();
        if (ready > 0 && (pfd[0].revents & POLLIN)) {
            port.read_input(uplink);
        } else if (ready > 0 && (pfd[1].revents & POLLIN)) {
            continue;
        } else if (ready == 0 && next >= 0) {
            termsim::sleep_until(next);  // ppoll may round; the byte leaves on its exact time
        } else if (ready > 0) {
            termsim::sleep_until(termsim::monotonic_now() + termsim::kNanosPerMilli);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = termsim::parse_options(argc, argv, error);
    if (!options) {
        std::cerr << "termsim: " << error << "\n\n" << termsim::usage_text();
        return 2;
    }
    if (options->help) {
        std::cout << termsim::usage_text();
        return 0;
    }
    if (options->version) {
        std::cout << "termsim " VANT_VERSION "\n";
        return 0;
    }
    // Byte times at high rates are a few tens of microseconds; default slack would swamp them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    const sigset_t wait_mask = install_stop_signals();

    try {
        termsim::Trace trace;
        if (!trace.open(options->trace)) {
            std::cerr << "termsim: cannot open trace " << options->trace << "\n";
            return 2;
        }
        termsim::PtyPort port(options->baud, trace, static_cast<std::size_t>(options->fifo));
        if (!port.open(options->link, error)) {
            std::cerr << "termsim: " << error << "\n";
            return 1;
        }
        termsim::Scheduler timers;
        std::unique_ptr<termsim::Modem> modem;
        termsim::Downlink* downlink = &port;
        if (options->modem) {
            modem = std::make_unique<termsim::Modem>(options->baud, options->numbers, port, timers,
                                                     trace);
            downlink = modem.get();
        }
        auto line = build_line(*options, trace, *downlink);
        termsim::Uplink* uplink = line.get();
        if (modem) {
            modem->attach(*line);
            uplink = modem.get();
        }
        trace.event("line ready on " + port.slave_path());
        std::printf("%s\n", port.slave_path().c_str());
        (void)std::fflush(stdout);  // a reader that went away shows as the line's hang-up
        run_loop(port, timers, *uplink, wait_mask);
        trace.event("stopped");
    } catch (const std::exception& e) {
        std::cerr << "termsim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
