#include "faults.h"

namespace termsim {

// Built from raw engine output: library distributions differ between implementations.
double FaultDice::unit() {
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

bool FaultDice::strikes(double probability) {
    if (probability <= 0) return false;
    return unit() < probability;
}

int FaultDice::between(int low, int high) {
    // In 64 bits: high - low + 1 overflows an int for the widest ranges.
    const auto span = static_cast<std::uint64_t>(std::int64_t{high} - low + 1);
    return low + static_cast<int>(engine_() % span);
}

}  // namespace termsim
