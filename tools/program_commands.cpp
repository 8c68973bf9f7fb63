// Starting terminals and their programs, deleting files, free data and power saving.
#include <cstdint>
#include <string>

#include "command_table.h"
#include "request_text.h"
#include "terminal_files.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

int cold_start(const Invocation& inv) {
    return visit_plain(inv, HM_cold_start);
}
int warm_start(const Invocation& inv) {
    return visit_plain(inv, HM_warm_start);
}
int kermit(const Invocation& inv) {
    return visit_plain(inv, HM_kermit);
}
int power_saving_on(const Invocation& inv) {
    return visit_plain(inv, HM_power_saving_on);
}
int power_saving_off(const Invocation& inv) {
    return visit_plain(inv, HM_power_saving_off);
}

std::string checked_program(const std::string& file, bool flash_rom) {
    std::string name(opscore::program_name(file));
    if (name.empty()) throw UsageError("no program name in " + file);
    if (flash_rom) name = opscore::flash_rom_name(name);
    return checked_text(name, kMaxRequestText, "the program name");
}

int run(const Invocation& inv) {
    const std::string program = checked_program(inv.word(1), inv.has("--rom"));
    // A program started from flash ROM is a success that says so.
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        const int32_t rc = HM_run(inv.link.port, a, program.c_str());
        return outcome_of(rc, {RC_SUCCESS, RC_FROM_FLASH_ROM},
                          rc == RC_FROM_FLASH_ROM ? failure_text(rc) : "");
    });
}

int autoboot(const Invocation& inv) {
    const std::string program = checked_program(inv.word(1), false);
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        return outcome_of(HM_autoboot(inv.link.port, a, program.c_str()));
    });
}

int delete_file(const Invocation& inv) {
    return visit_with_text(inv, HM_delete,
                           checked_text(inv.word(1), kMaxRequestText, "the file name"));
}

int send_data(const Invocation& inv) {
    const std::string& text = inv.word(1);
    if (text.empty()) throw UsageError("the data must not be empty");
    if (!opscore::fits_send_data(text)) {
        throw UsageError("the data is too long: encoded it must fit " +
                         std::to_string(opscore::kMaxEncodedData) + " bytes");
    }
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        return outcome_of(HM_send_data(inv.link.port, a, text.c_str()));
    });
}

int sendback(const Invocation& inv) {
    const std::string& text = checked_text(inv.word(1), kMaxRequestText, "the text");
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        char answer[VANTLINK_LONG_TEXT + 1] = {};
        const int32_t rc = HM_sendback(inv.link.port, a, text.c_str(), answer);
        return outcome_of(rc, answer);
    });
}

}  // namespace

std::vector<CommandSpec> program_commands() {
    return {
        make_spec("cold-start", "ADDRESSES", "cold start the terminals", 1, 1, cold_start),
        make_spec("warm-start", "ADDRESSES", "warm start the terminals", 1, 1, warm_start),
        make_spec("kermit", "ADDRESSES", "start kermit on the terminals", 1, 1, kermit),
        make_spec("run", "ADDRESSES PROGRAM [--rom]",
                  "run PROGRAM (extension dropped; from flash ROM)", 2, 2, run, {{"--rom"}, {}}),
        make_spec("autoboot", "ADDRESSES PROGRAM", "set the program started after a cold start", 2,
                  2, autoboot),
        make_spec("delete", "ADDRESSES FILE",
                  "delete FILE on the terminals (FILE/ROM in flash ROM)", 2, 2, delete_file),
        make_spec("send-data", "ADDRESSES TEXT", "send application data", 2, 2, send_data),
        make_spec("sendback", "ADDRESSES TEXT", "send TEXT and print what the terminal answers", 2,
                  2, sendback),
        make_spec("power-saving-on", "ADDRESSES", "put the terminals into power saving", 1, 1,
                  power_saving_on),
        make_spec("power-saving-off", "ADDRESSES", "wake the terminals from power saving", 1, 1,
                  power_saving_off),
    };
}

}  // namespace vantctl
