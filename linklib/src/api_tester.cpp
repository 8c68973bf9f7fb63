// Exports for feeding a file to the Tester device in unanswered frames.
#include <array>

#include "commands.h"
#include "line_io.h"
#include "local_file.h"
#include "state.h"
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
    reset_counts();
    if (local_path == nullptr || !file_exists(local_path)) return RC_NOT_EXIST;
    Answer answer;
    answer.outcome =
        command_exchange(port, address, 'l', request_data(local_path), answer.bytes, answer.length);
    return result_mapping_2(answer.outcome);
}

int32_t HM_Tester_Downloading(int32_t port, const char* local_path) {
    reset_counts();
    // A file that vanished since the start is reported, not passed over as sent.
    int fd = local_path != nullptr ? open_download_file(local_path) : -1;
    if (fd < 0) return RC_NOT_EXIST;
    tester_pause();
    const uint8_t first[1] = {'A'};
    send_frame(port, kTesterAddress, 'y', first);
    for (;;) {
        tester_pause();
        std::array<uint8_t, kTesterBlock> block{};
        const long n = read_some(fd, block);
        if (n < 0) {
            // The end-of-data frame would make the Tester keep a cut file as complete; without
            // it the Tester never takes the file as whole.
            close_file(fd);
            return RC_FILE_OPEN_ERROR;
        }
        if (n == 0) break;
        state().transfer.bytes += static_cast<int32_t>(n);
        std::array<uint8_t, 2 * kTesterBlock + 1> encoded{};
        const size_t size =
            encode_data(std::span<const uint8_t>(block.data(), static_cast<size_t>(n)), encoded);
        send_frame(port, kTesterAddress, 'y', std::span<const uint8_t>(encoded.data(), size));
        state().transfer.packets += 1;
    }
    tester_pause();
    send_frame(port, kTesterAddress, 'z', {});
    close_file(fd);
    return RC_SUCCESS;
}

int32_t HM_Tester_Download_Finish(int32_t port, int32_t address) {
    reset_counts();
    Answer answer;
    answer.outcome = command_exchange(port, address, 'Z', {}, answer.bytes, answer.length);
    return result_mapping_2(answer.outcome);
}

}  // extern "C"
