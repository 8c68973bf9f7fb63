// vantctl: the link library from the command line, one sub-command per operation.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "poll_command.h"

namespace {

const char kUsage[] =
    "usage: vantctl [link options] COMMAND [arguments]\n"
    "\n"
    "link options:\n"
    "  --port N          COM port 1..4 (device from VANTLINK_COM<N>, else /dev/ttyS<N-1>); 1\n"
    "  --baud RATE       110 300 600 1200 2400 4800 9600 19200 38400 57600 or another rate; 9600\n"
    "  --parity P        none, odd or even; none\n"
    "  --data-bits N     7 or 8; 8\n"
    "  --stop-bits N     1 or 2; 1\n"
    "  --timeout MS      answer time-out; 400\n"
    "  --esc-delay MS    pause before ACK and after each exchange; 10\n"
    "  --nak-delay MS    pause after a NAK; 50\n"
    "  --power-saving    wake terminals before a command and put them to sleep after\n"
    "\n"
    "commands:\n"
    "  poll ADDRESSES [--until-idle SECONDS] [--output FILE]\n"
    "      polls the terminals in turn and appends each record as address, blank, data, CR LF\n"
    "      to FILE (standard output without it); ends when every terminal has no data, or\n"
    "      with --until-idle when no record came for SECONDS\n"
    "\n"
    "Exit status 0 when no failure occurred, 1 otherwise (the failure on standard error),\n"
    "2 for a command line that is not understood.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    vantctl::LinkOptions link;
    if (const std::string error = vantctl::take_link_options(args, link); !error.empty()) {
        std::fprintf(stderr, "vantctl: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "poll") return vantctl::run_poll(args, link);
    std::fprintf(stderr, "vantctl: unknown command %s\n", command.c_str());
    return 2;
}
