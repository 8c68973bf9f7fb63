#include "poll_command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <span>

#include "cli_options.h"
#include "record_text.h"
#include "terminal_text.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

// An address that keeps failing stops counting as "still has data" after this many passes.
constexpr int kFailuresBeforeGivingUp = 3;

struct PollRequest {
    std::string addresses;
    std::optional<double> until_idle_seconds;
    std::string output;  // empty: standard output
};

std::optional<PollRequest> parse_poll_args(const std::vector<std::string>& args,
                                           std::string& error) {
    PollRequest request;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--until-idle" || arg == "--output") {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--output") {
                request.output = value;
                continue;
            }
            const auto seconds = parse_number(value, 0, 86400);
            if (!seconds) {
                error = "bad value for --until-idle: " + value;
                return std::nullopt;
            }
            request.until_idle_seconds = static_cast<double>(*seconds);
        } else if (request.addresses.empty() && !arg.starts_with("-")) {
            request.addresses = arg;
        } else {
            error = "unexpected argument: " + arg;
            return std::nullopt;
        }
    }
    if (request.addresses.empty()) {
        error = "poll needs the terminal addresses, such as ABC";
        return std::nullopt;
    }
    return request;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Appends one record as address, blank, data, CR LF and flushes it, so nothing acknowledged
// to a terminal waits in a buffer. The data is the record's one-line text: a CR, LF or NUL in
// it cannot end the line early or forge a record of another address.
bool write_record(std::FILE* out, char address, const std::string& line_text) {
    std::fputc(address, out);
    std::fputc(' ', out);
    write_terminal_text(out, line_text);
    std::fputs("\r\n", out);
    return std::fflush(out) == 0 && !std::ferror(out);
}

}  // namespace

int run_poll(const std::vector<std::string>& args, const LinkOptions& link) {
    std::string error;
    const auto request = parse_poll_args(args, error);
    if (!request) {
        std::fprintf(stderr, "vantctl poll: %s\n", error.c_str());
        return 2;
    }
    std::FILE* out = stdout;
    if (!request->output.empty()) {
        out = std::fopen(request->output.c_str(), "ab");
        if (out == nullptr) {
            std::perror(("vantctl poll: " + request->output).c_str());
            return 1;
        }
    }
    if (error = open_link(link); !error.empty()) {
        std::fprintf(stderr, "vantctl poll: %s\n", error.c_str());
        if (out != stdout) (void)std::fclose(out);  // nothing written yet; the run fails anyway
        return 1;
    }

    bool failed = false;
    std::map<char, int> failures_in_a_row;
    auto last_record = std::chrono::steady_clock::now();
    for (;;) {
        bool all_drained = true;
        for (char address : request->addresses) {
            std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
            int32_t length = 0;
            const int32_t rc = HM_poll(link.port, address, buffer.data(), &length);
            if (interrupting_signal() != 0 && rc != RC_SUCCESS) break;
            if (rc == RC_SUCCESS) {
                failures_in_a_row[address] = 0;
                last_record = std::chrono::steady_clock::now();
                all_drained = false;
                // The whole record as the library counted it: NUL bytes included.
                const auto size = static_cast<size_t>(
                    std::clamp<int32_t>(length, 0, static_cast<int32_t>(buffer.size())));
                const std::string text = opscore::record_line_text(std::span(buffer.data(), size));
                if (!write_record(out, address, text)) {
                    std::fprintf(stderr, "vantctl poll: cannot write the record of %c: ", address);
                    write_terminal_text(stderr, text);
                    std::fputc('\n', stderr);
                    failed = true;
                }
            } else if (rc == RC_NO_DATA) {
                failures_in_a_row[address] = 0;
            } else {
                failed = true;
                std::fprintf(stderr, "vantctl poll: %c: %s\n", address, failure_text(rc).c_str());
                if (++failures_in_a_row[address] < kFailuresBeforeGivingUp) all_drained = false;
            }
        }
        // Records stored so far stay; the poll ends as a failed one.
        if (interrupting_signal() != 0) {
            failed = true;
            break;
        }
        if (request->until_idle_seconds) {
            if (seconds_since(last_record) > *request->until_idle_seconds) break;
        } else if (all_drained) {
            break;
        }
    }
    HM_CloseCommPort(link.port);
    if (out != stdout && std::fclose(out) != 0) failed = true;
    return failed ? 1 : 0;
}

}  // namespace vantctl
