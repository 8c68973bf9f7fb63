// Questions to the terminals: memory, directories, running program, identity, files.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_table.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

// Room for every text answer with a margin beyond the longest the library writes.
constexpr size_t kTextAnswer = VANTLINK_LONG_TEXT + 3;
using TextInquiry = int32_t (*)(int32_t port, int32_t address, char* answer);

std::string format(const char* pattern, auto... values) {
    char text[160];
    (void)std::snprintf(text, sizeof text, pattern, values...);  // short lines of numbers
    return text;
}

std::string ram_text(int32_t total, int32_t exec, int32_t free_size, int32_t ems_total,
                     int32_t ems_free) {
    std::string text = format("Total=%d  EXEC=%d  Free=%d", total, exec, free_size);
    // EMS free means nothing without an EMS area.
    if (ems_total != 0) text += format("  Total EMS=%d  Free EMS=%d", ems_total, ems_free);
    return text;
}

int ram(const Invocation& inv) {
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        int32_t total = 0, exec = 0, free_size = 0, ems_total = 0, ems_free = 0;
        const int32_t rc =
            HM_ram_size(inv.link.port, a, &total, &exec, &free_size, &ems_total, &ems_free);
        return outcome_of(rc, ram_text(total, exec, free_size, ems_total, ems_free));
    });
}

int flash(const Invocation& inv) {
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        int32_t total = 0, free_size = 0;
        const int32_t rc = HM_flash_size(inv.link.port, a, &total, &free_size);
        return outcome_of(rc, format("Total=%dKb  Free=%dKb", total, free_size));
    });
}

int visit_text_inquiry(const Invocation& inv, TextInquiry call, size_t room) {
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        std::string answer(room, '\0');
        const int32_t rc = call(inv.link.port, a, answer.data());
        answer.resize(strnlen(answer.data(), room));
        return outcome_of(rc, answer);
    });
}

int dir(const Invocation& inv) {
    return visit_text_inquiry(inv, inv.has("--rom") ? HM_dir_ROM : HM_dir, VANTLINK_DIR_LISTING);
}
int running(const Invocation& inv) {
    return visit_text_inquiry(inv, HM_exec_file, kTextAnswer);
}
int id(const Invocation& inv) {
    return visit_text_inquiry(inv, HM_terminal_id, kTextAnswer);
}
int firmware(const Invocation& inv) {
    return visit_text_inquiry(inv, HM_firmware_version, kTextAnswer);
}

int exists(const Invocation& inv) {
    const std::string& file = checked_text(inv.word(1), kMaxRequestText, "the file name");
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        int32_t length = 0;
        const int32_t rc = HM_file_exist(inv.link.port, a, file.c_str(), &length);
        // A file in flash ROM exists too; the answer says where it lies.
        std::string answer = std::to_string(length);
        if (rc == RC_FROM_FLASH_ROM) answer += "  " + failure_text(rc);
        return outcome_of(rc, {RC_SUCCESS, RC_FROM_FLASH_ROM}, answer);
    });
}

int upload_mode(const Invocation& inv) {
    return visit_plain(inv, HM_upload_mode);
}

}  // namespace

std::vector<CommandSpec> inquiry_commands() {
    return {
        make_spec("ram", "ADDRESSES", "RAM sizes: Total=  EXEC=  Free= (and EMS)", 1, 1, ram),
        make_spec("flash", "ADDRESSES", "flash ROM size and free room in kilobytes", 1, 1, flash),
        make_spec("dir", "ADDRESSES [--rom]", "directory of the RAM disk (or the flash ROM)", 1, 1,
                  dir, {{"--rom"}, {}}),
        make_spec("running", "ADDRESSES", "the program that runs", 1, 1, running),
        make_spec("id", "ADDRESSES", "terminal identity", 1, 1, id),
        make_spec("firmware", "ADDRESSES", "firmware version", 1, 1, firmware),
        make_spec("exists", "ADDRESSES FILE", "length of FILE when it exists", 2, 2, exists),
        make_spec("upload-mode", "ADDRESSES", "fails with \"Upload mode\" when a terminal is in it",
                  1, 1, upload_mode),
    };
}

}  // namespace vantctl
