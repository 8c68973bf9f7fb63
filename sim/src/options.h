// The command line of termsim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "terminal.h"

namespace termsim {

enum class DialResult { Connect, NoCarrier, Busy, NoAnswer };

struct DialPlan {
    std::string digits;
    DialResult result = DialResult::Connect;
    int delay_ms = -1;  // -1: the default delay
};

struct Options {
    std::string link;
    int baud = 9600;
    std::uint64_t seed = 1;
    std::string trace;
    int turnaround_ms = 0;
    int fifo = 1;  // bytes handed to the host at once, at most (a UART's receive FIFO)
    bool modem = false;
    std::vector<DialPlan> numbers;
    FaultRates faults;
    std::vector<TerminalConfig> terminals;
    bool help = false;
    bool version = false;
};

// Returns the options, or nothing with the reason in error.
std::optional<Options> parse_options(int argc, char** argv, std::string& error);
std::string usage_text();

// Records of generate=COUNTxLEN: the address and a running number lead each one.
std::deque<Bytes> generate_records(char address, int count, int length);

}  // namespace termsim
