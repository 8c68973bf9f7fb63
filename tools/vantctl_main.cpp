// vantctl: the link library from the command line, one sub-command per operation.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli_options.h"
#include "command_table.h"
#include "port_devices.h"
#include "terminal_visit.h"
#include "vant_version.h"

namespace {

#ifdef _WIN32
#define VANTCTL_DEFAULT_DEVICE "\\\\.\\COM<N>"
#define VANTCTL_PLATFORM_NOTE                                                                 \
    "\nOn Windows the device list (ports) and the status of a polling service (status) are\n" \
    "not offered, nor device servers on the network (tcp://, rfc2217://).\n"
#else
#define VANTCTL_DEFAULT_DEVICE "/dev/ttyS<N-1> (see ports)"
#define VANTCTL_PLATFORM_NOTE ""
#endif

const char kUsageHead[] =
    "usage: vantctl [link options] COMMAND ADDRESSES [arguments]\n"
    "       vantctl --help | --version\n"
    "\n"
    "ADDRESSES are terminal addresses, one character each, visited in the order given\n"
    "(such as ABC); commands that name one ADDRESS take only one.\n"
    "\n"
    "link options:\n"
    "  --port N          COM port 1..4; 1\n"
    "  --device PATH     the device of that COM for this run; without it, VANTLINK_COM<N>, else\n"
    "                    COM<N> of [Ports] in ./Vantcom.ini, else " VANTCTL_DEFAULT_DEVICE
    "\n"
    "  --baud RATE       110 300 600 1200 2400 4800 9600 19200 38400 57600 or another rate; 9600\n"
    "  --parity P        none, odd or even; none\n"
    "  --data-bits N     7 or 8; 8\n"
    "  --stop-bits N     1 or 2; 1\n"
    "  --timeout MS      answer time-out; 400\n"
    "  --esc-delay MS    pause before ACK and after each exchange; 10\n"
    "  --nak-delay MS    pause after a NAK; 50\n"
    "  --power-saving    wake terminals before a command and put them to sleep after\n"
    "  --save-mode M     upload to an existing local file: new (a free name), overwrite or\n"
    "                    append; new\n"
    "  --tester-delay MS pause before each Tester block; 1000\n"
    "\n"
    "commands:\n";

const char kUsageTail[] =
    "\n"
    "bar-table and device-table send TEXT as given, or build the table for terminal type TYPE\n"
    "(KD31, KD32, KD35, KD24, VS17, VS19, VS15) from these choices; each one not given is the\n"
    "first value listed unless a default is shown. The table built is printed per terminal.\n"
    "  bar-table:      --code39 on|off|full\n"
    "                  --off LIST   symbologies to switch off, the others stay on: i25,\n"
    "                               codabar, ean-upc, code128, ean128, code93, trioptic,\n"
    "                               msi, code11 (only those the type's table holds)\n"
    "  device-table:   KD31/KD32, KD35: --scanner auto|pen|msr|off --badge barcode|msr|off\n"
    "                  --backlight on|off --buzzer on|off --volume low|medium|high\n"
    "                  --key-lock unlock|lock|partial-lock\n"
    "                  KD24: --backlight on|off --interval on|off --beep-volume 0..7 (7)\n"
    "                  VS17, VS19, VS15: --scanner auto|pen|off --serial on|off --backlight "
    "on|off\n"
    "                  --buzzer on|off --volume low|medium|high --auto-off 0..9 (5)\n"
    "\n"
    "Answers go to standard output, one line per terminal (\"A: \" before each when several\n"
    "addresses were given). Exit status 0 when no failure occurred, 1 otherwise (the failure\n"
    "on standard error), 2 for a command line that is not understood. When standard output is\n"
    "a terminal, control characters that terminals sent are shown as "
    "\\xHH.\n" VANTCTL_PLATFORM_NOTE;

void print_usage(std::FILE* out) {
    std::fprintf(out, "%s%s%s", kUsageHead, vantctl::commands_help().c_str(), kUsageTail);
}

// How messages about a command begin: "vantctl" or "vantctl COMMAND".
std::string speaker(const std::string& command) {
    return command.empty() ? "vantctl" : "vantctl " + command;
}

int usage_error(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", speaker(command).c_str(), message.c_str());
    if (const auto* entry = vantctl::find_command(command)) {
        std::fprintf(stderr, "usage: vantctl [link options] %s %s\n", entry->name.c_str(),
                     entry->usage.c_str());
    } else {
        std::fputs("see vantctl --help\n", stderr);
    }
    return 2;
}

// The answers printed are the command's result: output that could not be written (a full disk,
// a closed pipe) fails the run, even when every terminal answered.
int output_checked(const std::string& command, int status) {
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", speaker(command).c_str(),
                 flushed ? "write error" : std::strerror(error));
    return status == 0 ? 1 : status;
}

// A command cut short by SIGINT or SIGTERM ends by that signal, so a calling shell or script
// sees that it was interrupted (and stops, as it would for any program).
int ended(const std::string& command, int status) {
    const int signal_number = vantctl::interrupting_signal();
    if (signal_number == 0) return status;
    std::fprintf(stderr, "%s: interrupted by %s\n", speaker(command).c_str(),
                 signal_number == SIGINT ? "SIGINT" : "SIGTERM");
    (void)std::fflush(stderr);
    // Should either fail, the status below says the same.
    (void)std::signal(signal_number, SIG_DFL);
    (void)std::raise(signal_number);
    return 128 + signal_number;  // only if the signal did not end the program
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Records and files go out byte for byte, not with LF turned into CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            print_usage(stdout);
            return output_checked("", 0);
        }
        if (arg == "--version") {
            std::puts("vantctl " VANT_VERSION);
            return output_checked("", 0);
        }
    }
    vantctl::Invocation invocation;
    if (const std::string error = vantctl::take_link_options(args, invocation.link);
        !error.empty()) {
        return usage_error("", error);
    }
    if (args.empty()) {
        print_usage(stderr);
        return 2;
    }
    invocation.command = args.front();
    invocation.args.assign(args.begin() + 1, args.end());
    const auto* entry = vantctl::find_command(invocation.command);
    if (entry == nullptr) return usage_error("", "unknown command " + invocation.command);
    vantctl::catch_interrupts();
    const std::string& command = invocation.command;
    try {
        for (const std::string& warning : vantctl::name_port_devices(invocation.link)) {
            std::fprintf(stderr, "vantctl: %s\n", warning.c_str());
        }
        return ended(command, output_checked(command, vantctl::run_command(*entry, invocation)));
    } catch (const vantctl::UsageError& error) {
        return ended(command, usage_error(command, error.what()));
    } catch (const vantctl::CommandFailure& error) {
        std::fprintf(stderr, "vantctl %s: %s\n", command.c_str(), error.what());
        return ended(command, 1);
    }
}
