// The link library's frame receiver and the operations built on it, fed everything the terminal
// says from the fuzz input. The first byte picks the operation (and power saving), the rest is
// the line script of link_fake_line.h.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "frame.h"
#include "link_fake_line.h"
#include "state.h"
#include "vantlink.h"

using linkfuzz::FakeLine;
using linkfuzz::GuardedBuffer;
using namespace vantlink;

namespace {

constexpr int32_t kPort = 1;
constexpr int32_t kAddress = 'A';

void require(bool condition) {
    if (!condition) __builtin_trap();
}

void require_one_of(int32_t rc, std::initializer_list<int32_t> allowed) {
    for (int32_t value : allowed) {
        if (rc == value) return;
    }
    __builtin_trap();
}

// What the library sends must be requests the terminal can take: single ACK, NAK or wake-up
// bytes, polls, and command requests to this address with matching check characters, whose
// data never holds the address byte that ends a request.
void check_requests(std::span<const uint8_t> sent) {
    const uint8_t address = vantlink::address_byte(kAddress);
    size_t i = 0;
    while (i < sent.size()) {
        const uint8_t byte = sent[i++];
        if (byte == ACK || byte == NAK || byte == 0x00) continue;
        require(byte == STX && i < sent.size());
        if (sent[i] == address) {  // a poll
            ++i;
            continue;
        }
        require(sent[i++] == ESC && i < sent.size());
        const uint8_t letter = sent[i++];
        const size_t data_start = i;
        while (i < sent.size() && sent[i] != address) ++i;
        require(i < sent.size() && i - data_start >= 2);
        const auto data = sent.subspan(data_start, i - data_start - 2);
        require(data.size() <= kMaxRequestData);
        const uint8_t check = vantlink::request_check(letter, data, address);
        require(sent[i - 2] == 0x40 + (check >> 4) && sent[i - 1] == 0x40 + (check & 0x0F));
        ++i;
    }
}

// A fake line whose sent bytes are checked when it is taken down.
class CheckedLine : public FakeLine {
public:
    using FakeLine::FakeLine;
    ~CheckedLine() { check_requests(transport().sent()); }
};

// Return codes any terminal command may give.
constexpr std::initializer_list<int32_t> kCommandCodes = {
    RC_SUCCESS,   RC_ILLEGAL_COMMAND,        RC_HOST_NAK, RC_TIME_OUT, RC_UNKNOWN_RESPONSE,
    RC_BCC_ERROR, RC_POWER_SAVING_OFF_FAILED};

void require_command_code(int32_t rc, std::initializer_list<int32_t> extra = {}) {
    for (int32_t value : kCommandCodes) {
        if (rc == value) return;
    }
    require_one_of(rc, extra);
}

void fuzz_receive_frame(std::span<const uint8_t> script, uint8_t room) {
    CheckedLine line(kPort, script);
    // Any answer area of at least one byte.
    GuardedBuffer answer(size_t{room} + 1);
    int32_t length = -1;
    const int outcome =
        vantlink::receive_frame(kPort, std::span<uint8_t>(answer.data(), answer.size()), length);
    answer.check_guards();
    require_one_of(outcome,
                   {LINK_DATA, LINK_EOT, LINK_ACK, LINK_NAK, LINK_BCC_ERROR, LINK_TIMEOUT});
    if (outcome == LINK_DATA) {
        require(length >= 0 && static_cast<size_t>(length) < answer.size());
        require(answer.data()[length] == 0);
    }
}

void fuzz_poll(std::span<const uint8_t> script) {
    CheckedLine line(kPort, script);
    GuardedBuffer buffer(VANTLINK_POLL_BUFFER);
    int32_t length = -1;
    const int32_t rc = HM_poll(kPort, kAddress, buffer.data(), &length);
    buffer.check_guards();
    require_one_of(rc, {RC_SUCCESS, RC_NO_DATA, RC_HOST_NAK, RC_TIME_OUT, RC_UNKNOWN_RESPONSE});
    if (rc == RC_SUCCESS) {
        require(length >= 0 && length < VANTLINK_POLL_BUFFER);
        require(buffer.data()[length] == 0);
        require(HM_get_return_string_length(0) == length);
    }
}

void fuzz_directory(std::span<const uint8_t> script, bool flash_rom) {
    CheckedLine line(kPort, script);
    GuardedBuffer listing(VANTLINK_DIR_LISTING);
    const int32_t rc = flash_rom ? HM_dir_ROM(kPort, kAddress, listing.text())
                                 : HM_dir(kPort, kAddress, listing.text());
    listing.check_guards();
    require_command_code(rc);
    // A terminal that does not wake gets no request, and the listing is left as it was.
    if (rc == RC_POWER_SAVING_OFF_FAILED) return;
    const size_t length = listing.checked_text_length();
    require(HM_get_return_string_length(0) == static_cast<int32_t>(length));
}

void fuzz_text_inquiry(std::span<const uint8_t> script, uint8_t which) {
    CheckedLine line(kPort, script);
    const bool long_text = which % 4 == 0;
    GuardedBuffer answer(long_text ? VANTLINK_LONG_TEXT : VANTLINK_SHORT_TEXT);
    int32_t rc = RC_SUCCESS;
    switch (which % 4) {
        case 0:
            rc = HM_sendback(kPort, kAddress, "echo me", answer.text());
            break;
        case 1:
            rc = HM_terminal_id(kPort, kAddress, answer.text());
            break;
        case 2:
            rc = HM_exec_file(kPort, kAddress, answer.text());
            break;
        default:
            rc = HM_firmware_version(kPort, kAddress, answer.text());
            break;
    }
    answer.check_guards();
    require_command_code(rc, {RC_NO_PROGRAM});
    if (rc == RC_SUCCESS) {
        const size_t length = answer.checked_text_length();
        require(HM_get_return_string_length(0) == static_cast<int32_t>(length));
    }
}

void fuzz_numbers(std::span<const uint8_t> script, uint8_t which) {
    CheckedLine line(kPort, script);
    std::array<int32_t, 5> values{-7, -7, -7, -7, -7};
    int32_t rc = RC_SUCCESS;
    switch (which % 3) {
        case 0:
            rc = HM_file_exist(kPort, kAddress, "DATA.TXT", &values[0]);
            require_command_code(rc, {RC_NOT_EXIST, RC_FROM_FLASH_ROM});
            break;
        case 1:
            rc = HM_ram_size(kPort, kAddress, &values[0], &values[1], &values[2], &values[3],
                             &values[4]);
            require_command_code(rc);
            break;
        default:
            rc = HM_flash_size(kPort, kAddress, &values[0], &values[1]);
            require_command_code(rc);
            break;
    }
}

void fuzz_simple_commands(std::span<const uint8_t> script, uint8_t which) {
    CheckedLine line(kPort, script);
    switch (which % 6) {
        case 0:
            require_command_code(HM_upload_mode(kPort, kAddress), {RC_UPLOAD_MODE});
            break;
        case 1:
            require_command_code(HM_warm_start(kPort, kAddress));
            break;
        case 2:
            require_command_code(HM_delete(kPort, kAddress, "DATA.TXT"),
                                 {RC_NOT_EXIST, RC_ILLEGAL_FILE_NAME});
            break;
        case 3:
            require_command_code(HM_exe_size(kPort, kAddress, 128),
                                 {RC_RAM_DISK_NOT_EMPTY, RC_OUT_OF_MEMORY});
            break;
        case 4:
            require_command_code(HM_exec(kPort, kAddress, "PROG.EXE"),
                                 {RC_NOT_EXIST, RC_FROM_FLASH_ROM});
            break;
        default:
            require_command_code(HM_send_data(kPort, kAddress, "\x01 data \\ \xE9"));
            break;
    }
}

constexpr std::initializer_list<int32_t> kUploadCodes = {RC_SUCCESS,
                                                         RC_MORE,
                                                         RC_ILLEGAL_COMMAND,
                                                         RC_HOST_NAK,
                                                         RC_TIME_OUT,
                                                         RC_UNKNOWN_RESPONSE,
                                                         RC_BCC_ERROR,
                                                         RC_POWER_SAVING_OFF_FAILED,
                                                         RC_NOT_EXIST,
                                                         RC_ILLEGAL_FILE_NAME,
                                                         RC_NAME_NOT_CHANGEABLE,
                                                         RC_FILE_OPEN_ERROR,
                                                         RC_NO_TRANSFER};

// Upload with the caller taking the blocks; returns the joined blocks and the final code.
int32_t upload_to_memory(std::span<const uint8_t> script, std::vector<uint8_t>& content) {
    CheckedLine line(kPort, script);
    int32_t rc = HM_upload11(kPort, kAddress, "DATA.TXT");
    require_one_of(rc, kUploadCodes);
    if (rc != RC_SUCCESS) return rc;
    GuardedBuffer block(VANTLINK_UPLOAD_BLOCK);
    for (;;) {
        int32_t length = -1;
        rc = HM_upload22(block.data(), &length);
        block.check_guards();
        require_one_of(rc, kUploadCodes);
        if (rc != RC_MORE) break;
        require(length >= 0 && length <= VANTLINK_UPLOAD_BLOCK);
        content.insert(content.end(), block.data(), block.data() + length);
    }
    return rc;
}

// One folder for the whole run, removed at exit (kept alive until then on purpose).
const std::string& temporary_folder() {
    static const std::string* const folder = [] {
        auto* pattern = new std::string(
            (std::filesystem::temp_directory_path() / "fuzz_link_frames-XXXXXX").string());
        if (mkdtemp(pattern->data()) == nullptr) __builtin_trap();
        std::atexit([] { std::filesystem::remove_all(temporary_folder()); });
        return pattern;
    }();
    return *folder;
}

std::vector<uint8_t> file_content(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().string());
    }
    return names;
}

// Steps an upload into a local file through HM_upload1 and HM_upload2.
int32_t upload_to_file(std::span<const uint8_t> script, GuardedBuffer& local_path) {
    CheckedLine line(kPort, script);
    int32_t rc = HM_upload1(kPort, kAddress, "DATA.TXT", local_path.text());
    require_one_of(rc, kUploadCodes);
    int32_t last_bytes = 0;
    for (bool more = rc == RC_SUCCESS; more;) {
        int32_t bytes = -1;
        int32_t packets = -1;
        rc = HM_upload2(&bytes, &packets);
        require_one_of(rc, kUploadCodes);
        more = rc == RC_MORE;
        if (more) require(bytes >= last_bytes && packets >= 1);
        if (more) last_bytes = bytes;
    }
    return rc;
}

int32_t upload_whole(std::span<const uint8_t> script, GuardedBuffer& local_path) {
    CheckedLine line(kPort, script);
    const int32_t rc = HM_upload(kPort, kAddress, "DATA.TXT", local_path.text());
    require_one_of(rc, kUploadCodes);
    require(rc != RC_MORE);
    return rc;
}

// The same terminal talk into a local file must give the blocks the caller form gave, placed
// as the save mode says; an upload that does not complete leaves the folder as it was. The
// whole-upload form asks again after a bad block, so its blocks are not compared.
void fuzz_upload(std::span<const uint8_t> script, uint8_t parameter) {
    std::vector<uint8_t> in_memory;
    const int32_t memory_rc = upload_to_memory(script, in_memory);

    const int32_t mode = parameter % 3;
    const bool had_file = (parameter & 4) != 0;
    const bool whole = (parameter & 8) != 0;
    const std::vector<uint8_t> before = {'o', 'l', 'd', 0, 0xFF, '\n'};
    const std::string folder = temporary_folder();
    for (const auto& name : files_in(folder)) std::filesystem::remove(name);
    const std::string path = folder + "/upload.dat";
    if (had_file) std::ofstream(path, std::ios::binary).write("old\0\xFF\n", 6);

    HM_set_upload_file_save_mode(mode);
    GuardedBuffer local_path(VANTLINK_LOCAL_PATH);
    std::snprintf(local_path.text(), local_path.size(), "%s", path.c_str());
    const int32_t file_rc =
        whole ? upload_whole(script, local_path) : upload_to_file(script, local_path);
    local_path.check_guards();
    const std::string used(local_path.text(), local_path.checked_text_length());

    const auto files = files_in(folder);
    if (file_rc != RC_SUCCESS) {
        if (!whole && file_rc != RC_FILE_OPEN_ERROR && file_rc != RC_NAME_NOT_CHANGEABLE) {
            require(file_rc == memory_rc);
        }
        require(files.size() == (had_file ? 1u : 0u));
        if (had_file) require(file_content(path) == before);
        return;
    }
    const bool appended = mode == UPLOAD_SAVE_APPEND && had_file;
    const std::vector<uint8_t> content = file_content(used);
    if (whole) {
        require(!appended || std::equal(before.begin(), before.end(), content.begin()));
    } else {
        require(memory_rc == RC_SUCCESS);
        std::vector<uint8_t> expected = in_memory;
        if (appended) expected.insert(expected.begin(), before.begin(), before.end());
        require(content == expected);
    }
    if (mode == UPLOAD_SAVE_NEW && had_file) {
        require(used != path && used.size() == path.size());
        require(file_content(path) == before);
        require(files.size() == 2);
    } else {
        require(used == path && files.size() == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t selector = data[0];
    const uint8_t parameter = data[1];
    const std::span<const uint8_t> script(data + 2, size - 2);
    // Bit 7: power saving, so every command first wakes the terminal and then puts it to sleep.
    HM_set_power_saving_status((selector & 0x80) != 0 ? 1 : 0);
    switch (selector % 8) {
        case 0:
            fuzz_receive_frame(script, parameter);
            break;
        case 1:
            fuzz_poll(script);
            break;
        case 2:
            fuzz_directory(script, (parameter & 1) != 0);
            break;
        case 3:
            fuzz_text_inquiry(script, parameter);
            break;
        case 4:
            fuzz_numbers(script, parameter);
            break;
        case 5:
            fuzz_simple_commands(script, parameter);
            break;
        default:
            fuzz_upload(script, parameter);
            break;
    }
    HM_set_power_saving_status(0);
    return 0;
}
