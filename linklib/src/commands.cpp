#include "commands.h"

#include <cstring>

#include "line_io.h"
#include "power_saving.h"
#include "state.h"
#include "vantlink.h"

namespace vantlink {

const char* Answer::text() const {
    if (!is_data() || length < 3) return "";
    return reinterpret_cast<const char*>(bytes.data() + 2);
}

int32_t result_of(const Answer& answer, const ResultRule& rule) {
    if (answer.outcome == LINK_ACK && rule.ack_is_unknown) return RC_UNKNOWN_RESPONSE;
    if (answer.is_data()) {
        const int status = answer.status();
        if (status >= 0 && status <= 2 && rule.status[static_cast<size_t>(status)] >= 0) {
            return rule.status[static_cast<size_t>(status)];
        }
        return RC_UNKNOWN_RESPONSE;
    }
    return rule.mapping == 1 ? result_mapping_1(answer.outcome) : result_mapping_2(answer.outcome);
}

bool wake_if_saving(int32_t port, int32_t address) {
    if (state().settings.power_saving != 1) return true;
    return wake_terminal(port, address) == RC_SUCCESS;
}

void sleep_if_saving(int32_t port, int32_t address) {
    if (state().settings.power_saving == 1) sleep_terminal(port, address);
}

bool run_command(int32_t port, int32_t address, const Command& command,
                 std::span<const uint8_t> data, Answer& answer, int32_t sleep_address) {
    if (command.wake && !wake_if_saving(port, address)) return false;
    // Decoding into the command's own area cuts an over-long answer instead of overrunning.
    std::span<uint8_t> area(answer.bytes.data(), command.answer_area);
    answer.outcome = command_exchange(port, address, command.letter, data, area, answer.length);
    if (command.pause_before_sleep_ms > 0) pumped_wait(command.pause_before_sleep_ms);
    if (command.sleep) sleep_if_saving(port, sleep_address);
    if (command.pause_after_sleep_ms > 0) pumped_wait(command.pause_after_sleep_ms);
    return true;
}

int32_t copy_text(const char* text, char* out, size_t room) {
    if (out == nullptr || room == 0) return 0;
    const size_t length = strnlen(text, room - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
    return static_cast<int32_t>(length);
}

}  // namespace vantlink
