// The service form left running: three lines, each a headless vantrel on its own faulty
// simulated line (one of them dialled through a modem), all appending to one data file through
// the shared token; every twelfth of the run one instance in turn is killed with SIGKILL and,
// as its unit would, started again. At the end every record a terminal saw acknowledged must be
// in the data file once (the record in hand at a kill aside), no line may have stalled for a
// minute, and each instance's resident set and open descriptors must have stayed flat.
#pragma once

#include <string>

namespace bench {

struct ServiceSoakOptions {
    double minutes = 2;
    unsigned seed = 1;
    int baud = 9600;
    double fault_rate = 0.2;  // of the answers, spread over every kind a direct line has
    int late_ms = 100;
    std::string vantrel;  // empty: the one beside linksoak or in its build
    // Longer than the service's 400 ms: a busy machine delays a pseudo-terminal's bytes in the
    // kernel, and an answer late past the time-out is taken for the next terminal's (the
    // answers do not name their sender), which no real line does for that reason.
    int time_out_ms = 1000;
    double carrier_rate = 0;  // per answer on the modem line
    bool keep = false;        // the folder stays even when every check passed
};

// Prints the table; the process's exit status (0 only when every check passed).
int service_soak(const ServiceSoakOptions& options);

}  // namespace bench
