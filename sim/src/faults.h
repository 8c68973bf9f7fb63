// Seeded fault injection: one generator for every decision, so a run can be repeated.
#pragma once

#include <cstdint>
#include <random>

namespace termsim {

struct FaultRates {
    double nak = 0;
    double check = 0;
    double check1 = 0;  // only one of the two check characters wrong
    double noise = 0;
    double silence = 0;
    double late = 0;
    double carrier = 0;
    int late_ms = 1000;
};

class FaultDice {
public:
    explicit FaultDice(std::uint64_t seed) : engine_(seed) {}

    // A probability of 0 draws nothing, so adding an unused fault kind keeps old runs repeatable.
    bool strikes(double probability);
    int between(int low, int high);  // inclusive

private:
    double unit();

    std::mt19937_64 engine_;
};

}  // namespace termsim
