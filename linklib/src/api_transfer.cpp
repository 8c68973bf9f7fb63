// Exports for file transfer: whole-file, step-wise, and caller-supplied blocks.
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <string>

#include "commands.h"
#include "line_io.h"
#include "local_file.h"
#include "state.h"
#include "trace.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr size_t kDownloadBlock = 120;  // local file bytes per block
// Caller bytes per frame: 127 bytes take at most 254 encoded, within the 256 of a request.
constexpr size_t kFrameBlock = VANTLINK_DOWNLOAD_BLOCK;
constexpr int32_t kAfterStartMs = 2;
constexpr int kMaxNakRun = 15;  // the sixteenth NAK outcome in a row ends a whole upload

TransferState& transfer() {
    return state().transfer;
}

void reset_counts() {
    transfer().packets = 0;
    transfer().bytes = 0;
}

void store(int32_t* out, int32_t value) {
    if (out != nullptr) *out = value;
}

// Upload rule, with what ACK and a data answer mean at this point.
int32_t upload_rule(int outcome, int32_t on_ack, int32_t on_data) {
    if (outcome == LINK_DATA) return on_data;
    if (outcome == LINK_ACK) return on_ack;
    if (outcome == LINK_EOT) return RC_NOT_EXIST;
    return result_mapping_1(outcome);
}

int32_t start_rule(int outcome) {
    return upload_rule(outcome, RC_SUCCESS, RC_UNKNOWN_RESPONSE);
}

int exchange(int32_t port, int32_t address, uint8_t letter, std::span<const uint8_t> data,
             Answer& answer) {
    answer.outcome = command_exchange(port, address, letter, data, answer.bytes, answer.length);
    return answer.outcome;
}

bool has_letter(const Answer& answer, uint8_t letter) {
    return answer.is_data() && answer.length >= 2 && answer.bytes[1] == letter;
}
bool is_block(const Answer& answer) {
    return has_letter(answer, 'Y');
}
bool is_end(const Answer& answer) {
    return has_letter(answer, 'Z');
}

// How a step that got no block ends: only Z completes the file; any other data answer (another
// letter, no letter) is one the upload does not expect.
int32_t end_rule(const Answer& answer) {
    if (is_end(answer)) return RC_SUCCESS;
    return upload_rule(answer.outcome, RC_UNKNOWN_RESPONSE, RC_UNKNOWN_RESPONSE);
}

std::span<const uint8_t> block_of(const Answer& answer) {
    return {answer.bytes.data() + 2, static_cast<size_t>(answer.length - 2)};
}

// Gives up an upload whose steps never finished: its local file is left as it was before.
void abandon_upload() {
    transfer().upload.abandon();
    transfer().upload_open = false;
}

// Checks the caller's local path and, in New mode, that a free name can be had; an error code
// when not. The name itself is made when the file is created.
int32_t check_local_name(const char* local_path, std::string& name) {
    if (local_path == nullptr) return RC_FILE_OPEN_ERROR;
    const size_t length = strnlen(local_path, kLocalNameSize);
    // The caller's buffer holds 120 bytes: a longer path could not be written back.
    if (length >= kLocalNameSize) return RC_FILE_OPEN_ERROR;
    name.assign(local_path, length);
    if (state().settings.upload_save_mode == UPLOAD_SAVE_NEW && !make_unique_file_name(name)) {
        return RC_NAME_NOT_CHANGEABLE;
    }
    state().return_string_length[0] = static_cast<int32_t>(length);
    return RC_SUCCESS;
}

// Opens the local file and writes the name used back into the caller's buffer.
bool open_local_upload(const std::string& name, char* local_path) {
    LocalUpload& local = transfer().upload;
    if (!local.begin(name, state().settings.upload_save_mode)) return false;
    // A free name has the length of the caller's path, so it fits the caller's buffer.
    const std::string& used = local.name();
    std::memcpy(transfer().local_name.data(), used.c_str(), used.size() + 1);
    std::memcpy(local_path, used.c_str(), used.size() + 1);
    return true;
}

// Ends an upload: its local file is kept when the terminal sent all of it, else left as it was
// before the upload. False when a complete file could not be kept.
bool end_upload(int32_t port, int32_t address, bool complete) {
    sleep_if_saving(port, address);
    transfer().upload_open = false;
    LocalUpload& local = transfer().upload;
    if (!local.is_open()) return true;
    if (complete && local.commit()) return true;
    local.abandon();
    return !complete;
}

// The PC ends an upload the terminal is still sending (the bound passed, or the caller
// cancelled): the terminal is told to stop, and the local file is left as it was.
int32_t give_up_upload(int32_t result) {
    Answer answer;
    exchange(transfer().port, transfer().address, 'y', {}, answer);
    end_upload(transfer().port, transfer().address, false);
    return result;
}

bool cancelled() {
    return cancel_requested.load(std::memory_order_relaxed) != 0;
}

enum class Ask { Block, Other, Ended };

// Asks the terminal for the next block of an open upload. Block: a block came, was counted and
// (when the upload has a local file) written. Other: answer holds whatever else came. Ended:
// the upload is over without completing, result says why.
Ask ask_block(Answer& answer, int32_t& result) {
    if (!cancelled()) exchange(transfer().port, transfer().address, 'Y', {}, answer);
    if (cancelled()) return result = give_up_upload(RC_TIME_OUT), Ask::Ended;
    if (!is_block(answer)) return Ask::Other;
    const auto block = block_of(answer);
    if (int64_t{transfer().bytes} + static_cast<int64_t>(block.size()) > transfer().upload_limit) {
        return result = give_up_upload(RC_FILE_OPEN_ERROR), Ask::Ended;
    }
    LocalUpload& local = transfer().upload;
    if (local.is_open() && !local.write(block)) {
        end_upload(transfer().port, transfer().address, false);
        return result = RC_FILE_OPEN_ERROR, Ask::Ended;
    }
    transfer().packets += 1;
    transfer().bytes += static_cast<int32_t>(block.size());
    return Ask::Block;
}

// Sends caller bytes as download blocks, each frame carrying at most what always fits it
// encoded; the outcome of the last block.
int send_blocks(int32_t port, int32_t address, std::span<const uint8_t> bytes) {
    int outcome = LINK_ACK;
    while (!bytes.empty() && outcome == LINK_ACK) {
        const auto block = bytes.first(std::min(bytes.size(), kFrameBlock));
        std::array<uint8_t, 2 * kFrameBlock + 1> encoded{};
        const size_t n = encode_data(block, encoded);
        Answer answer;
        outcome = exchange(port, address, 'Y', std::span<const uint8_t>(encoded.data(), n), answer);
        bytes = bytes.subspan(block.size());
    }
    return outcome;
}

void finish_download(int32_t port, int32_t address) {
    close_file(transfer().download_fd);
    sleep_if_saving(port, address);
    transfer().download_open = false;
}

// One step of a file download: the next block, or Z at the end. RC_MORE while blocks remain.
int32_t download_step(int32_t* bytes_done, int32_t* packets_done) {
    std::array<uint8_t, kDownloadBlock> block{};
    const long n = read_some(transfer().download_fd, block);
    Answer answer;
    int outcome;
    int32_t failure = RC_SUCCESS;
    if (n > 0) {
        transfer().bytes += static_cast<int32_t>(n);
        store(bytes_done, transfer().bytes);
        outcome = send_blocks(transfer().port, transfer().address,
                              std::span<const uint8_t>(block.data(), static_cast<size_t>(n)));
        if (outcome == LINK_ACK) {
            transfer().packets += 1;
            store(packets_done, transfer().packets);
            return RC_MORE;
        }
    } else if (n == 0) {
        outcome = exchange(transfer().port, transfer().address, 'Z', {}, answer);
    } else {
        // The local file failed mid-way: the terminal must not keep a cut file as complete.
        exchange(transfer().port, transfer().address, 'z', {}, answer);
        outcome = LINK_ACK;
        failure = RC_FILE_OPEN_ERROR;
    }
    finish_download(transfer().port, transfer().address);
    return failure != RC_SUCCESS ? failure : result_mapping_2(outcome);
}

int32_t open_download(int32_t port, int32_t address, const char* terminal_file, int& fd) {
    if (!wake_if_saving(port, address)) {
        close_file(fd);
        return RC_POWER_SAVING_OFF_FAILED;
    }
    Answer answer;
    const int outcome = exchange(port, address, 'L', request_data(terminal_file), answer);
    transfer().port = port;
    transfer().address = address;
    if (outcome != LINK_ACK) {
        close_file(fd);
        sleep_if_saving(port, address);
        return result_mapping_2(outcome);
    }
    pumped_wait(kAfterStartMs);
    close_file(transfer().download_fd);
    transfer().download_fd = fd;
    transfer().download_open = true;
    return RC_SUCCESS;
}

}  // namespace

// A call from inside the trace handler is refused (see trace_hook_running): starts and cancels
// give the time-out code, steps 252, and no transfer state is touched.
extern "C" {

int32_t HM_upload(int32_t port, int32_t address, const char* terminal_file, char* local_path) {
    if (trace_hook_running) return RC_TIME_OUT;
    abandon_upload();
    reset_counts();
    std::string name;
    if (const int32_t rc = check_local_name(local_path, name); rc != RC_SUCCESS) return rc;
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    Answer answer;
    int outcome = exchange(port, address, 'U', request_data(terminal_file), answer);
    if (outcome != LINK_ACK) {
        sleep_if_saving(port, address);
        return start_rule(outcome);
    }
    if (!open_local_upload(name, local_path)) return RC_FILE_OPEN_ERROR;
    transfer().port = port;
    transfer().address = address;
    int failed_asks = 0;
    int32_t result = RC_FILE_OPEN_ERROR;
    for (;;) {
        const Ask ask = ask_block(answer, result);
        if (ask == Ask::Ended) return result;
        if (ask == Ask::Block) {
            failed_asks = 0;
            continue;
        }
        if (is_end(answer)) {
            result = RC_SUCCESS;
            break;
        }
        // A NAK outcome or a data answer that is no block: ask again, up to a run of 16.
        const bool ask_again = answer.outcome == LINK_NAK || answer.is_data();
        if (!ask_again || ++failed_asks > kMaxNakRun) {
            result = end_rule(answer);
            break;
        }
    }
    const bool complete = result == RC_SUCCESS;
    if (!end_upload(port, address, complete)) return RC_FILE_OPEN_ERROR;
    return result;
}

int32_t HM_upload1(int32_t port, int32_t address, const char* terminal_file, char* local_path) {
    if (trace_hook_running) return RC_TIME_OUT;
    abandon_upload();
    reset_counts();
    std::string name;
    if (const int32_t rc = check_local_name(local_path, name); rc != RC_SUCCESS) return rc;
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    Answer answer;
    const int outcome = exchange(port, address, 'U', request_data(terminal_file), answer);
    if (outcome != LINK_ACK) {
        sleep_if_saving(port, address);
        return start_rule(outcome);
    }
    if (!open_local_upload(name, local_path)) return RC_FILE_OPEN_ERROR;
    transfer().upload_open = true;
    transfer().port = port;
    transfer().address = address;
    return RC_SUCCESS;
}

int32_t HM_upload2(int32_t* bytes, int32_t* packets) {
    // Steps without a started upload of this form have nothing to write to.
    if (trace_hook_running || !transfer().upload_open || !transfer().upload.is_open()) {
        return RC_NO_TRANSFER;
    }
    Answer answer;
    int32_t result = RC_SUCCESS;
    const Ask ask = ask_block(answer, result);
    if (ask == Ask::Ended) return result;
    if (ask == Ask::Block) {
        store(bytes, transfer().bytes);
        store(packets, transfer().packets);
        return RC_MORE;
    }
    if (!end_upload(transfer().port, transfer().address, is_end(answer))) {
        return RC_FILE_OPEN_ERROR;
    }
    return end_rule(answer);
}

int32_t HM_upload11(int32_t port, int32_t address, const char* terminal_file) {
    if (trace_hook_running) return RC_TIME_OUT;
    abandon_upload();
    reset_counts();  // the bound counts this form's bytes too
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    Answer answer;
    const int outcome = exchange(port, address, 'U', request_data(terminal_file), answer);
    if (outcome == LINK_ACK) {
        transfer().upload_open = true;
        transfer().port = port;
        transfer().address = address;
    } else {
        sleep_if_saving(port, address);
    }
    return start_rule(outcome);
}

int32_t HM_upload22(unsigned char* block, int32_t* length) {
    if (trace_hook_running || !transfer().upload_open || transfer().upload.is_open()) {
        return RC_NO_TRANSFER;
    }
    Answer answer;
    int32_t result = RC_SUCCESS;
    const Ask ask = ask_block(answer, result);
    if (ask == Ask::Ended) return result;
    if (ask == Ask::Block) {
        const auto bytes = block_of(answer);
        if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
        store(length, static_cast<int32_t>(bytes.size()));
        return RC_MORE;
    }
    end_upload(transfer().port, transfer().address, is_end(answer));
    return end_rule(answer);
}

int32_t HM_download(int32_t port, int32_t address, const char* local_path,
                    const char* terminal_file) {
    if (trace_hook_running) return RC_TIME_OUT;
    reset_counts();
    int fd = local_path != nullptr ? open_download_file(local_path) : -1;
    if (fd < 0) return RC_NOT_EXIST;
    if (const int32_t rc = open_download(port, address, terminal_file, fd); rc != RC_SUCCESS) {
        return rc;
    }
    int32_t rc;
    while ((rc = download_step(nullptr, nullptr)) == RC_MORE) {
    }
    return rc;
}

int32_t HM_download1(int32_t port, int32_t address, const char* local_path,
                     const char* terminal_file, int32_t* file_size) {
    if (trace_hook_running) return RC_TIME_OUT;
    reset_counts();
    int fd = local_path != nullptr ? open_download_file(local_path) : -1;
    if (fd < 0) return RC_NOT_EXIST;
    struct stat info {};
    fstat(fd, &info);
    const int32_t rc = open_download(port, address, terminal_file, fd);
    if (rc == RC_SUCCESS) store(file_size, static_cast<int32_t>(info.st_size));
    return rc;
}

int32_t HM_download2(int32_t* bytes, int32_t* packets) {
    if (trace_hook_running) return RC_NO_TRANSFER;
    if (!transfer().download_open || transfer().download_fd < 0) return RC_NO_TRANSFER;
    return download_step(bytes, packets);
}

int32_t HM_download11(int32_t port, int32_t address, const char* terminal_file) {
    if (trace_hook_running) return RC_TIME_OUT;
    int no_file = -1;
    return open_download(port, address, terminal_file, no_file);
}

int32_t HM_download22(const unsigned char* block, int32_t length) {
    if (trace_hook_running) return RC_NO_TRANSFER;
    if (!transfer().download_open || transfer().download_fd >= 0) return RC_NO_TRANSFER;
    if (length < 0 || (block == nullptr && length > 0)) return RC_ILLEGAL_COMMAND;
    const int32_t port = transfer().port;
    const int32_t address = transfer().address;
    int outcome;
    if (length > 0) {
        // A block of up to 127 bytes is one frame; longer ones go out as several.
        outcome = send_blocks(port, address,
                              std::span<const uint8_t>(block, static_cast<size_t>(length)));
        if (outcome == LINK_ACK) return RC_MORE;
    } else {
        Answer answer;
        outcome = exchange(port, address, 'Z', {}, answer);
    }
    finish_download(port, address);
    return result_mapping_2(outcome);
}

int32_t HM_cancel_upload(int32_t port, int32_t address) {
    if (trace_hook_running) return RC_TIME_OUT;
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    Answer answer;
    const int outcome = exchange(port, address, 'y', {}, answer);
    end_upload(port, address, false);
    return start_rule(outcome);
}

int32_t HM_cancel_download(int32_t port, int32_t address) {
    if (trace_hook_running) return RC_TIME_OUT;
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    Answer answer;
    const int outcome = exchange(port, address, 'z', {}, answer);
    finish_download(port, address);
    return result_mapping_2(outcome);
}

}  // extern "C"
