// Exports for polling and the power-saving steps.
#include <array>

#include "frame.h"
#include "line_io.h"
#include "power_saving.h"
#include "state.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr int kWakeAttempts = 5;
constexpr int32_t kWakeSettleMs = 800;
constexpr int32_t kWakeAfterMs = 250;
constexpr int32_t kSleepAfterMs = 5;
constexpr uint8_t kWakeCommand = '7';
constexpr uint8_t kSleepCommand = '8';

int32_t poll_result(int outcome) {
    if (outcome == LINK_DATA) return RC_SUCCESS;
    if (outcome == LINK_EOT) return RC_NO_DATA;
    if (outcome == LINK_ACK) return RC_UNKNOWN_RESPONSE;
    return result_mapping_1(outcome);
}

// After a request that did not go out: no answer can come, so this is a silent line, one
// time-out long. A lost line is tried again meanwhile (a device server's connect takes several
// waits); once it is back the request goes out after all, so the caller never sees a time-out
// for a terminal it could have asked.
bool send_once_line_is_back(int32_t port, std::span<const uint8_t> request) {
    const int32_t ms = state().settings.time_out_ms;
    const Transport* transport = port_transport(port);
    if (transport == nullptr || !transport->line_lost()) {
        pumped_wait(ms, port);
        return false;
    }
    return pumped_wait_for_line(ms, port) && port_write(port, request);
}

}  // namespace

namespace vantlink {

int32_t wake_terminal(int32_t port, int32_t address) {
    std::array<uint8_t, kAnswerBuffer> answer{};
    int32_t length = 0;
    for (int attempt = 0; attempt < kWakeAttempts; ++attempt) {
        port_write_byte(port, 0x00);
        pumped_wait(kWakeSettleMs);
        const int outcome = command_exchange(port, address, kWakeCommand, {}, answer, length);
        state().power_saving_result = result_mapping_1(outcome);
        pumped_wait(kWakeAfterMs);
        if (state().power_saving_result == RC_SUCCESS || waits_cut_short()) break;
    }
    return state().power_saving_result;
}

int32_t sleep_terminal(int32_t port, int32_t address) {
    std::array<uint8_t, kAnswerBuffer> answer{};
    int32_t length = 0;
    const int outcome = command_exchange(port, address, kSleepCommand, {}, answer, length);
    state().power_saving_result = result_mapping_1(outcome);
    pumped_wait(kSleepAfterMs);
    return state().power_saving_result;
}

}  // namespace vantlink

extern "C" {

int32_t HM_poll(int32_t port, int32_t address, unsigned char* buffer, int32_t* length) {
    std::array<uint8_t, VANTLINK_POLL_BUFFER> scratch{};
    std::span<uint8_t> answer = buffer != nullptr ? std::span<uint8_t>(buffer, VANTLINK_POLL_BUFFER)
                                                  : std::span<uint8_t>(scratch);
    int32_t scratch_length = 0;
    int32_t& received = length != nullptr ? *length : scratch_length;

    port_purge(port);
    const uint8_t request[2] = {STX, address_byte(address)};
    if (!port_write(port, request) && !send_once_line_is_back(port, request)) {
        state().return_string_length[0] = received;
        return RC_TIME_OUT;
    }
    const int outcome = receive_frame(port, answer, received);
    state().return_string_length[0] = received;
    return poll_result(outcome);
}

int32_t HM_power_saving_off(int32_t port, int32_t address) {
    return wake_terminal(port, address);
}

int32_t HM_power_saving_on(int32_t port, int32_t address) {
    return sleep_terminal(port, address);
}

}  // extern "C"
