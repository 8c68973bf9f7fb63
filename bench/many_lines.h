// Many lines on one host: N simulated lines of four terminals each, every line polled by its
// own process as the service runs them (vantctl poll, or vantrel without a display), and the
// records per second of each line set beside those of a single line.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ManyLinesOptions {
    std::vector<int> counts;  // line counts to run, such as 1, 16, 64
    double seconds = 10;      // measured per row, after every line has delivered a record
    std::string vantctl;      // empty: that poller's rows are left out
    std::string vantrel;
};

// Prints the table; false when a row failed to start or a line delivered nothing.
bool many_lines_table(const ManyLinesOptions& options);

}  // namespace bench
