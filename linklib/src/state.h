// Process-wide state of the link library: link settings, port table, shared results.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "local_file.h"
#include "transport.h"

namespace vantlink {

inline constexpr int kPortCount = 5;            // port numbers 0..4
inline constexpr size_t kPortDeviceMax = 4096;  // a device path or URL, with its NUL

struct LinkSettings {
    int32_t time_out_ms = 400;
    int32_t esc_delay_ms = 10;
    int32_t nak_delay_ms = 50;
    int32_t tester_delay_ms = 1000;
    int32_t power_saving = 0;
    int32_t upload_save_mode = 0;
};

inline constexpr size_t kLocalNameSize = 120;  // local path of an upload, with its NUL

// Bytes an upload may bring: far above any terminal's memory, so only a terminal that sends
// blocks for ever reaches it, and the disk is not filled.
inline constexpr int32_t kUploadLimit = 64 * 1024 * 1024;

// The one step-wise transfer that can be open, and the counters that transfers share.
struct TransferState {
    bool download_open = false;  // tested and cleared by the download steps
    bool upload_open = false;    // an upload whose steps may run
    int32_t port = 0;
    int32_t address = 0;
    LocalUpload upload;    // local file an upload writes (none for the caller-block form)
    int download_fd = -1;  // local file a download reads
    int32_t packets = 0;
    int32_t bytes = 0;
    int32_t upload_limit = kUploadLimit;  // tests lower it
    std::array<char, kLocalNameSize> local_name{};
};

struct LinkState {
    LinkSettings settings;
    int32_t power_saving_result = 0;
    int32_t last_decoded_length = 0;
    std::array<int32_t, 6> return_string_length{};
    std::array<std::unique_ptr<Transport>, kPortCount> ports;
    std::array<std::string, kPortCount> port_devices;  // set by the caller; empty: the default
    void (*message_pump)() = nullptr;
    int32_t pump_interval_ms = 1;  // longest sleep between two calls of the pump
    TransferState transfer;
};

LinkState& state();

// The open transport of a port number, or nullptr when it is closed or out of range (or the
// trace handler is running).
Transport* port_transport(int32_t port);

// Replaces whatever a port number holds; used by open and by tests with a scripted peer. False
// (nothing changed) for a number out of range or while the trace handler runs.
bool install_transport(int32_t port, std::unique_ptr<Transport> transport);

}  // namespace vantlink
