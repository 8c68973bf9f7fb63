// Exports for the one-shot terminal commands.
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "line_io.h"
#include "state.h"
#include "vantlink.h"

using namespace vantlink;

namespace {

constexpr size_t kSendDataArea = 256;  // encoded data and its NUL
constexpr size_t kDirectoryListing = VANTLINK_DIR_LISTING;
constexpr int kMaxDirectoryParts = 100;  // a terminal that never ends its listing
constexpr int32_t kColdStartPauseMs = 100;
constexpr const char* kFlashRom = "/ROM";

constexpr ResultRule kStatusSetup{2, true, {RC_SUCCESS, RC_ILLEGAL_COMMAND, -1}};

int32_t simple_command(int32_t port, int32_t address, const Command& command,
                       std::span<const uint8_t> data, const ResultRule& rule,
                       int32_t sleep_address) {
    Answer answer;
    if (!run_command(port, address, command, data, answer, sleep_address)) {
        return RC_POWER_SAVING_OFF_FAILED;
    }
    return result_of(answer, rule);
}

int32_t simple_command(int32_t port, int32_t address, const Command& command,
                       std::span<const uint8_t> data, const ResultRule& rule) {
    return simple_command(port, address, command, data, rule, address);
}

// One argument character, as the one-value commands send it.
std::span<const uint8_t> one_character(uint8_t& storage, int32_t value) {
    storage = static_cast<uint8_t>(value & 0xFF);
    // A NUL character ends the request data, as for any argument text.
    return storage == 0 ? std::span<const uint8_t>() : std::span<const uint8_t>(&storage, 1);
}

int32_t digit_or_printable(int32_t value) {
    return value < 32 ? value + 0x30 : value;
}

// A digit field read at a fixed position; positions past the answer count as 0.
int32_t digits_at(const Answer& answer, int first, int count) {
    int32_t value = 0;
    for (int i = first; i < first + count; ++i) {
        const int digit = i < answer.length ? answer.bytes[static_cast<size_t>(i)] - 0x30 : 0;
        value = value * 10 + digit;
    }
    return value;
}

void store(int32_t* out, int32_t value) {
    if (out != nullptr) *out = value;
}

// Text inquiries: the answer text into the caller's buffer, its length recorded.
int32_t text_inquiry(int32_t port, int32_t address, const Command& command,
                     std::span<const uint8_t> data, char* out, size_t room,
                     bool status1_no_program) {
    Answer answer;
    if (!run_command(port, address, command, data, answer)) return RC_POWER_SAVING_OFF_FAILED;
    if (!answer.is_data()) return result_of(answer, {2, true});
    if (status1_no_program && answer.status() == 1) return RC_NO_PROGRAM;
    state().return_string_length[0] = copy_text(answer.text(), out, room);
    return RC_SUCCESS;
}

int32_t encoded_send(int32_t port, int32_t address, std::span<const uint8_t> bytes) {
    std::array<uint8_t, kSendDataArea> encoded{};
    const size_t n = encode_data(bytes, encoded);
    // Data that does not fit encoded is refused whole rather than sent cut short.
    if (n < encoded_size(bytes)) return RC_ILLEGAL_COMMAND;
    const Command command{'0', true, true, kLargeAnswerArea, 0, 5};
    return simple_command(port, address, command, std::span<const uint8_t>(encoded.data(), n), {1});
}

int32_t directory(int32_t port, int32_t address, const char* request, char* listing) {
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    std::string joined;
    int32_t result = RC_UNKNOWN_RESPONSE;
    const Command command{'D', false, false};
    for (int part = 0; part < kMaxDirectoryParts; ++part) {
        Answer answer;
        run_command(port, address, command, request_data(request), answer);
        if (!answer.is_data()) {
            result =
                answer.outcome == LINK_ACK ? RC_UNKNOWN_RESPONSE : result_mapping_1(answer.outcome);
            break;
        }
        const int32_t n = answer.length;
        const bool more = n >= 1 && answer.bytes[static_cast<size_t>(n - 1)] == '\\';
        if (more) answer.bytes[static_cast<size_t>(n - 1)] = ',';
        const int32_t start = n > 2 && answer.bytes[2] == '\\' ? 3 : 2;
        if (start < n) {
            joined.append(reinterpret_cast<const char*>(answer.bytes.data() + start),
                          strnlen(reinterpret_cast<const char*>(answer.bytes.data() + start),
                                  static_cast<size_t>(n - start)));
        }
        if (!more) {
            result = RC_SUCCESS;
            break;
        }
    }
    sleep_if_saving(port, address);
    state().return_string_length[0] = copy_text(joined.c_str(), listing, kDirectoryListing);
    return result;
}

int32_t size_inquiry(int32_t port, int32_t address, const char* request, Answer& answer) {
    // The caller has run the wake-up step already.
    const Command command{'G', false, true, kSmallAnswerArea};
    if (!run_command(port, address, command, request_data(request), answer)) {
        return RC_POWER_SAVING_OFF_FAILED;
    }
    return answer.is_data() ? RC_SUCCESS : result_of(answer, {2, true});
}

}  // namespace

extern "C" {

int32_t HM_warm_start(int32_t port, int32_t address) {
    return simple_command(port, address, {'A', true, true, kLargeAnswerArea, 10}, {}, {1});
}

int32_t HM_kermit(int32_t port, int32_t address) {
    return simple_command(port, address, {'k', true, true, kLargeAnswerArea, 10}, {}, {1});
}

int32_t HM_cold_start(int32_t port, int32_t address) {
    Answer answer;
    if (!run_command(port, address, {'H', true, false}, {}, answer)) {
        return RC_POWER_SAVING_OFF_FAILED;
    }
    if (answer.outcome == LINK_DATA || answer.outcome == LINK_EOT) {
        pumped_wait(kColdStartPauseMs);
        return RC_UNKNOWN_RESPONSE;
    }
    return result_mapping_1(answer.outcome);
}

int32_t HM_exec(int32_t port, int32_t address, const char* program) {
    return simple_command(port, address, {'X', true, true}, request_data(program),
                          {1, false, {RC_SUCCESS, RC_NOT_EXIST, RC_FROM_FLASH_ROM}});
}

int32_t HM_run(int32_t port, int32_t address, const char* program) {
    return HM_exec(port, address, program);
}

int32_t HM_delete(int32_t port, int32_t address, const char* file) {
    return simple_command(port, address, {'E', true, true}, request_data(file),
                          {1, true, {RC_SUCCESS, RC_NOT_EXIST, RC_ILLEGAL_FILE_NAME}});
}

int32_t HM_autoboot(int32_t port, int32_t address, const char* program) {
    return simple_command(port, address, {'O', true, true}, request_data(program),
                          {2, false, {RC_SUCCESS, RC_NOT_EXIST, RC_ILLEGAL_FILE_NAME}});
}

int32_t HM_send_data(int32_t port, int32_t address, const char* text) {
    return encoded_send(port, address, request_data(text));
}

int32_t HM_send_data1(int32_t port, int32_t address, const unsigned char* data, int32_t length) {
    if (length < 0 || (data == nullptr && length > 0)) return RC_ILLEGAL_COMMAND;
    return encoded_send(port, address, std::span<const uint8_t>(data, static_cast<size_t>(length)));
}

int32_t HM_upload_mode(int32_t port, int32_t address) {
    return simple_command(port, address, {'Q', true, true}, {},
                          {1, true, {RC_SUCCESS, RC_UPLOAD_MODE, -1}});
}

int32_t HM_set_address(int32_t port, int32_t address, int32_t new_address) {
    uint8_t c;
    return simple_command(port, address, {'5', true, true, kSmallAnswerArea},
                          one_character(c, new_address), kStatusSetup, new_address & 0xFF);
}

int32_t HM_system_font(int32_t port, int32_t address, int32_t font) {
    uint8_t c;
    return simple_command(port, address, {'f', true, true, kSmallAnswerArea},
                          one_character(c, font), kStatusSetup);
}

int32_t HM_keypad(int32_t port, int32_t address, int32_t value) {
    uint8_t c;
    return simple_command(port, address, {'K', true, true, kSmallAnswerArea},
                          one_character(c, digit_or_printable(value)),
                          {2, false, {RC_SUCCESS, RC_ILLEGAL_COMMAND, -1}});
}

int32_t HM_keymap(int32_t port, int32_t address, int32_t value) {
    uint8_t c;
    return simple_command(port, address, {'K', true, true, kSmallAnswerArea},
                          one_character(c, value), {2});
}

int32_t HM_buzzer(int32_t port, int32_t address, int32_t value) {
    uint8_t c;
    return simple_command(port, address, {'N', true, true, kSmallAnswerArea},
                          one_character(c, value + 0x30), {2});
}

int32_t HM_exe_size(int32_t port, int32_t address, int32_t size) {
    // Only three digits travel: a size outside them is refused before anything is sent.
    if (size < 0 || size > 999) return RC_ILLEGAL_COMMAND;
    const uint8_t digits[3] = {static_cast<uint8_t>('0' + size / 100),
                               static_cast<uint8_t>('0' + size % 100 / 10),
                               static_cast<uint8_t>('0' + size % 10)};
    return simple_command(port, address, {'F', true, true, kSmallAnswerArea}, digits,
                          {2, true, {RC_SUCCESS, RC_RAM_DISK_NOT_EMPTY, RC_OUT_OF_MEMORY}});
}

int32_t HM_ups(int32_t port, int32_t address) {
    return simple_command(port, address, {'F', false, false, kSmallAnswerArea}, {}, {2});
}

int32_t HM_term_tab(int32_t port, int32_t address, const char* table) {
    return simple_command(port, address, {'T', true, true, kSmallAnswerArea}, request_data(table),
                          kStatusSetup);
}

int32_t HM_comm_tab(int32_t port, int32_t address, const char* table) {
    return simple_command(port, address, {'C', true, true, kSmallAnswerArea}, request_data(table),
                          kStatusSetup);
}

int32_t HM_dev_tab(int32_t port, int32_t address, const char* table) {
    return simple_command(port, address, {'V', true, true, kSmallAnswerArea}, request_data(table),
                          kStatusSetup);
}

int32_t HM_bar_tab(int32_t port, int32_t address, const char* table) {
    return simple_command(port, address, {'B', true, true, kSmallAnswerArea}, request_data(table),
                          kStatusSetup);
}

int32_t HM_date_time(int32_t port, int32_t address, const char* date_time) {
    return simple_command(port, address, {'M', true, true}, request_data(date_time), kStatusSetup);
}

int32_t HM_password(int32_t port, int32_t address, const char* password) {
    return simple_command(port, address, {'P', true, true}, request_data(password), kStatusSetup);
}

int32_t HM_KD24_record(int32_t port, int32_t address, const char* record) {
    return simple_command(port, address, {'?', false, false}, request_data(record), {2});
}

int32_t HM_KD24_min_len(int32_t port, int32_t address, const char* text) {
    return simple_command(port, address, {'@', false, false}, request_data(text),
                          {2, false, {RC_SUCCESS, RC_ILLEGAL_COMMAND, -1}});
}

int32_t HM_KD24_field_port(int32_t port, int32_t address, const char* text) {
    return simple_command(port, address, {'>', false, false}, request_data(text),
                          {2, false, {RC_SUCCESS, RC_ILLEGAL_COMMAND, -1}});
}

int32_t HM_KD24_trigger(int32_t port, int32_t address, int32_t value) {
    uint8_t c;
    return simple_command(port, address, {'R', false, false, kSmallAnswerArea},
                          one_character(c, digit_or_printable(value)),
                          {2, false, {RC_SUCCESS, RC_ILLEGAL_COMMAND, -1}});
}

int32_t HM_sendback(int32_t port, int32_t address, const char* text, char* answer) {
    return text_inquiry(port, address, {'9', true, true}, request_data(text), answer,
                        VANTLINK_LONG_TEXT, false);
}

int32_t HM_terminal_id(int32_t port, int32_t address, char* answer) {
    return text_inquiry(port, address, {'R', true, false, kSmallAnswerArea}, {}, answer,
                        VANTLINK_SHORT_TEXT, false);
}

int32_t HM_exec_file(int32_t port, int32_t address, char* answer) {
    return text_inquiry(port, address, {'I', true, false, kSmallAnswerArea}, {}, answer,
                        VANTLINK_SHORT_TEXT, true);
}

int32_t HM_firmware_version(int32_t port, int32_t address, char* answer) {
    return text_inquiry(port, address, {'v', true, false, kSmallAnswerArea}, {}, answer,
                        VANTLINK_SHORT_TEXT, true);
}

int32_t HM_file_exist(int32_t port, int32_t address, const char* file, int32_t* length) {
    Answer answer;
    if (!run_command(port, address, {'J', true, true, kSmallAnswerArea}, request_data(file),
                     answer)) {
        return RC_POWER_SAVING_OFF_FAILED;
    }
    if (!answer.is_data()) return result_of(answer, {2, true});
    const int status = answer.status();
    // A cut answer says nothing about the file: unknown, not "doesn't exist".
    if (status < 0) return RC_UNKNOWN_RESPONSE;
    if (status != 0 && status != 2) return RC_NOT_EXIST;
    const char* digits = answer.length > 3 ? reinterpret_cast<const char*>(&answer.bytes[3]) : "";
    store(length, static_cast<int32_t>(std::strtol(digits, nullptr, 10)));
    return status == 0 ? RC_SUCCESS : RC_FROM_FLASH_ROM;
}

int32_t HM_ram_size(int32_t port, int32_t address, int32_t* total, int32_t* exec,
                    int32_t* free_size, int32_t* ems_total, int32_t* ems_free) {
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    for (int32_t* out : {total, exec, free_size, ems_total, ems_free}) store(out, 0);
    Answer answer;
    const int32_t result = size_inquiry(port, address, nullptr, answer);
    if (result != RC_SUCCESS) return result;
    const size_t text_length = strnlen(reinterpret_cast<const char*>(answer.bytes.data()),
                                       static_cast<size_t>(answer.length));
    const int width = text_length == 14 ? 4 : 3;
    store(total, digits_at(answer, 2, width));
    store(exec, digits_at(answer, 2 + width, width));
    store(free_size, digits_at(answer, 2 + 2 * width, width));
    if (text_length >= 19) {
        store(ems_total, digits_at(answer, 11, 4));
        store(ems_free, digits_at(answer, 15, 4));
    }
    return RC_SUCCESS;
}

int32_t HM_flash_size(int32_t port, int32_t address, int32_t* total, int32_t* free_size) {
    if (!wake_if_saving(port, address)) return RC_POWER_SAVING_OFF_FAILED;
    store(total, 0);
    store(free_size, 0);
    Answer answer;
    const int32_t result = size_inquiry(port, address, kFlashRom, answer);
    if (result != RC_SUCCESS) return result;
    store(total, digits_at(answer, 2, 4));
    store(free_size, digits_at(answer, 6, 4));
    return RC_SUCCESS;
}

int32_t HM_dir(int32_t port, int32_t address, char* listing) {
    return directory(port, address, nullptr, listing);
}

int32_t HM_dir_ROM(int32_t port, int32_t address, char* listing) {
    return directory(port, address, kFlashRom, listing);
}

}  // extern "C"
