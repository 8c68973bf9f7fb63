#include "trace.h"

#include <array>

namespace termsim {

namespace {

constexpr std::array<const char*, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

std::string byte_name(std::uint8_t b) {
    if (b < kControlNames.size()) return kControlNames[b];
    if (b == 0x7F) return "DEL";
    char hex[3];
    (void)std::snprintf(hex, sizeof hex, "%02X", b);  // one byte: always fits
    return hex;
}

}  // namespace

std::string describe_bytes(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += byte_name(b);
    }
    return out;
}

std::string printable(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            char hex[8];
            (void)std::snprintf(hex, sizeof hex, "<%02X>", b);
            out += hex;
        }
    }
    return out;
}

Trace::~Trace() {
    if (owns_file_) (void)std::fclose(file_);  // the trace is best-effort
}

bool Trace::open(const std::string& target) {
    if (target.empty()) return true;
    if (target == "-") {
        file_ = stderr;
        return true;
    }
    file_ = std::fopen(target.c_str(), "a");
    owns_file_ = file_ != nullptr;
    return file_ != nullptr;
}

void Trace::sent(Nanos when, std::span<const std::uint8_t> bytes) {
    bytes_line(when, '>', bytes);
}

void Trace::received(Nanos when, std::span<const std::uint8_t> bytes) {
    bytes_line(when, '<', bytes);
}

void Trace::bytes_line(Nanos when, char direction, std::span<const std::uint8_t> bytes) {
    if (!file_ || bytes.empty()) return;
    std::fprintf(file_, "%lld %c SIM %s\n", static_cast<long long>(when / kNanosPerMilli),
                 direction, describe_bytes(bytes).c_str());
    (void)std::fflush(file_);
}

void Trace::event(const std::string& text) {
    if (!file_) return;
    std::fprintf(file_, "%lld # %s\n", static_cast<long long>(monotonic_now() / kNanosPerMilli),
                 text.c_str());
    (void)std::fflush(file_);
}

}  // namespace termsim
