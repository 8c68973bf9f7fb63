#include "trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace vantlink {
namespace {

const char* const kControlNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                       "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                       "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                       "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

uint64_t monotonic_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

class Tracer {
public:
    Tracer() {
        const char* target = std::getenv("VANTLINK_TRACE");
        if (target == nullptr || *target == '\0') return;
        if (std::strcmp(target, "-") == 0) {
            out_ = stderr;
        } else {
            out_ = std::fopen(target, "ae");
            owned_ = out_ != nullptr;
        }
    }
    ~Tracer() {
        flush();
        if (owned_) (void)std::fclose(out_);  // the trace is best-effort
    }

    bool enabled() const { return out_ != nullptr; }

    void add(const char* port_name, char direction, std::span<const uint8_t> bytes) {
        if (!enabled() || bytes.empty()) return;
        const uint64_t now = monotonic_ms();
        if (!pending_.empty() &&
            (direction != direction_ || port_ != port_name || now - last_byte_ms_ > kBurstGapMs)) {
            flush();
        }
        if (pending_.empty()) {
            started_ms_ = now;
            direction_ = direction;
            port_ = port_name;
        }
        last_byte_ms_ = now;
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    }

    bool flush_if_quiet() {
        if (!pending_.empty() && monotonic_ms() - last_byte_ms_ > kBurstGapMs) flush();
        return !pending_.empty();
    }

    void flush() {
        if (!enabled() || pending_.empty()) return;
        std::string line = std::to_string(started_ms_) + ' ' + direction_ + ' ' + port_;
        for (uint8_t byte : pending_) line += ' ' + trace_byte_text(byte);
        line += '\n';
        std::fputs(line.c_str(), out_);
        (void)std::fflush(out_);
        pending_.clear();
    }

    void note(const char* port_name, const std::string& text) {
        if (!enabled()) return;
        flush();
        const std::string line =
            std::to_string(monotonic_ms()) + " ! " + port_name + ' ' + text + '\n';
        std::fputs(line.c_str(), out_);
        (void)std::fflush(out_);
    }

private:
    std::FILE* out_ = nullptr;
    bool owned_ = false;
    std::vector<uint8_t> pending_;
    // Bytes further apart than this belong to different bursts.
    static constexpr uint64_t kBurstGapMs = 20;
    uint64_t started_ms_ = 0;
    uint64_t last_byte_ms_ = 0;
    char direction_ = '>';
    std::string port_;
};

Tracer& tracer() {
    static Tracer instance;
    return instance;
}

}  // namespace

std::string trace_byte_text(uint8_t byte) {
    if (byte < 32) return kControlNames[byte];
    if (byte == 0x7F) return "DEL";
    char hex[3];
    (void)std::snprintf(hex, sizeof hex, "%02X", byte);  // one byte: always fits
    return hex;
}

void call_trace_hook(int32_t port, char direction, std::span<const uint8_t> bytes) {
    // Read once: the handler may remove itself while it runs.
    const TraceHook hook = trace_hook;
    if (hook.handler == nullptr || bytes.empty()) return;
    const bool outer = trace_hook_running;
    trace_hook_running = true;
    hook.handler(hook.context, direction, port, bytes.data(), static_cast<int32_t>(bytes.size()));
    trace_hook_running = outer;
}

bool trace_enabled() {
    return tracer().enabled();
}

void trace_bytes(const char* port_name, char direction, std::span<const uint8_t> bytes) {
    tracer().add(port_name, direction, bytes);
}

void trace_flush() {
    tracer().flush();
}

void trace_note(const char* port_name, const std::string& text) {
    tracer().note(port_name, text);
}

bool trace_flush_if_quiet() {
    return tracer().flush_if_quiet();
}

}  // namespace vantlink

extern "C" void HM_set_trace_handler(HM_trace_handler handler, void* context) {
    vantlink::trace_hook = {handler, handler != nullptr ? context : nullptr};
}
