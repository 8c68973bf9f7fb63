// The host program's own file transfers, timed on the simulated terminal's side, so the
// benchmark can set them beside the library's figures.
#pragma once

#include <optional>
#include <string>

namespace bench {

struct HostTransfer {
    double seconds = 0;      // from the terminal's start of the transfer to its end
    bool completed = false;  // vantrel logged success and the terminal saw the whole transfer
    std::string problem;     // why not, when not: vantrel's result line when it logged a failure
};

// The vantrel binary: the one given, else the one installed or built beside this benchmark;
// nothing when there is none (the host is not part of the build).
std::optional<std::string> find_vantrel(const std::string& given);

// `vantrel A L <local> BENCH.BIN`, then `vantrel A U BENCH.BIN <copy>` against one simulated
// terminal at baud, each timed by the terminal's events; the copy must equal the content.
struct HostTransfers {
    HostTransfer download;
    HostTransfer upload;
};
HostTransfers run_host_transfers(const std::string& vantrel, int baud, const std::string& content);

}  // namespace bench
