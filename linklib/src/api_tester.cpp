// Exports for feeding a file to the Tester device in unanswered frames.
#include <array>

#include "commands.h"
#include "frame.h"
#include "line_io.h"
#include "local_file.h"
#include "state.h"
#include "trace.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr int32_t kTesterAddress = 'Z';
constexpr size_t kTesterBlock = 120;

void reset_counts() {
    state().transfer.packets = 0;
    state().transfer.bytes = 0;
}

void tester_pause() {
    pumped_wait(state().settings.tester_delay_ms);
}

}  // namespace

extern "C" {

int32_t HM_Tester_Download_Initial(int32_t port, int32_t address, const char* local_path) {
    if (trace_hook_running) return RC_TIME_OUT;
    reset_counts();
    if (local_path == nullptr || !file_exists(local_path)) return RC_NOT_EXIST;
    Answer answer;
    answer.outcome =
        command_exchange(port, address, 'l', request_data(local_path), answer.bytes, answer.length);
    return result_mapping_2(answer.outcome);
}

int32_t HM_Tester_Downloading(int32_t port, const char* local_path) {
    if (trace_hook_running) return RC_TIME_OUT;
    reset_counts();
    // A file that vanished since the start is reported, not passed over as sent.
    int fd = local_path != nullptr ? open_download_file(local_path) : -1;
    if (fd < 0) return RC_NOT_EXIST;
    // The Tester never answers, so a frame that could not be written (a lost line) or a
    // cancel is the only sign that it is not getting the file: the rest is not sent.
    auto send = [port](uint8_t letter, std::span<const uint8_t> data) {
        return !waits_cut_short() && send_frame(port, kTesterAddress, letter, data);
    };
    tester_pause();
    const uint8_t first[1] = {'A'};
    int32_t result = send('y', first) ? RC_SUCCESS : RC_TIME_OUT;
    while (result == RC_SUCCESS) {
        tester_pause();
        std::array<uint8_t, kTesterBlock> block{};
        const long n = read_some(fd, block);
        if (n < 0) {
            // The end-of-data frame would make the Tester keep a cut file as complete; without
            // it the Tester never takes the file as whole.
            result = RC_FILE_OPEN_ERROR;
        } else if (n == 0) {
            tester_pause();
            if (!send('z', {})) result = RC_TIME_OUT;
            break;
        } else {
            state().transfer.bytes += static_cast<int32_t>(n);
            std::array<uint8_t, 2 * kTesterBlock + 1> encoded{};
            const size_t size = encode_data(
                std::span<const uint8_t>(block.data(), static_cast<size_t>(n)), encoded);
            if (!send('y', std::span<const uint8_t>(encoded.data(), size))) result = RC_TIME_OUT;
            if (result == RC_SUCCESS) state().transfer.packets += 1;
        }
    }
    close_file(fd);
    return result;
}

int32_t HM_Tester_Download_Finish(int32_t port, int32_t address) {
    if (trace_hook_running) return RC_TIME_OUT;
    reset_counts();
    Answer answer;
    answer.outcome = command_exchange(port, address, 'Z', {}, answer.bytes, answer.length);
    return result_mapping_2(answer.outcome);
}

}  // extern "C"
