// Setting the terminals up: tables, clock, password, keys, buzzer, fonts, memory, address.
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "command_table.h"
#include "date_time_text.h"
#include "table_texts.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

using ValueCall = int32_t (*)(int32_t port, int32_t address, int32_t value);

int visit_with_value(const Invocation& inv, ValueCall call, int32_t value) {
    return visit_each(inv, checked_addresses(inv.word(0)),
                      [&](char a) { return outcome_of(call(inv.link.port, a, value)); });
}

int send_table(const Invocation& inv, TextCall call) {
    return visit_with_text(inv, call, checked_text(inv.word(1), kMaxRequestText, "the table"));
}

int bar_table(const Invocation& inv) {
    return send_table(inv, HM_bar_tab);
}
int device_table(const Invocation& inv) {
    return send_table(inv, HM_dev_tab);
}
int term_table(const Invocation& inv) {
    return send_table(inv, HM_term_tab);
}

int baud_index(const std::string& rate) {
    const int32_t code = baud_code_for_rate(checked_number(rate, 1, 4000000, "the rate"));
    if (code > 9) throw UsageError("the terminal takes 110 to 57600 baud, not " + rate);
    return code;
}

// FORMAT is data bits, parity, stop bits, as in 8N1 or 7E2.
void read_line_format(const std::string& format, opscore::CommSettings& settings) {
    if (format.size() != 3 || (format[0] != '7' && format[0] != '8') ||
        std::string("NOE").find(format[1]) == std::string::npos ||
        (format[2] != '1' && format[2] != '2')) {
        throw UsageError("the line format is data bits, parity, stop bits such as 8N1, not " +
                         format);
    }
    settings.data_bits = format[0] - '0';
    settings.parity = format[1];
    settings.stop_bits = format[2] - '0';
}

int comm_table(const Invocation& inv) {
    const std::string addresses = checked_addresses(inv.word(0));
    const auto kind = opscore::parse_terminal_kind(inv.word(1));
    if (!kind) throw UsageError("unknown terminal type " + inv.word(1));
    opscore::CommSettings settings;
    settings.kind = *kind;
    settings.baud_index = baud_index(inv.word(2));
    read_line_format(inv.word(3), settings);
    settings.timeout_tenths =
        static_cast<int>(checked_number(inv.word(4), 0, 99, "the time-out (tenths of a second)"));
    // Each terminal's table carries its own address.
    return visit_each(inv, addresses, [&](char a) {
        const std::string text = opscore::comm_table_text(settings, a);
        return outcome_of(HM_comm_tab(inv.link.port, a, text.c_str()), text);
    });
}

int date_time(const Invocation& inv) {
    const bool given = inv.has("--text");
    if (given && !opscore::is_date_time_text(inv.options.at("--text"))) {
        throw UsageError("--text takes a date and time as YYYYMMDDhhmmss, not " +
                         inv.options.at("--text"));
    }
    // Each terminal gets the clock as it is when its turn comes: the PC clock read just before
    // the call, or the given time moved on by the seconds since the command started.
    const auto start = std::chrono::steady_clock::now();
    auto text_now = [&] {
        if (!given) return opscore::date_time_now();
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - start);
        return opscore::advanced_date_time(inv.options.at("--text"),
                                           static_cast<long>(elapsed.count()));
    };
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        const std::string text = text_now();
        return outcome_of(HM_date_time(inv.link.port, a, text.c_str()), text);
    });
}

int password(const Invocation& inv) {
    return visit_with_text(inv, HM_password,
                           checked_text(inv.word(1), kMaxRequestText, "the password"));
}

// A named choice, or one of the values themselves.
int32_t choice(const std::string& given, const std::map<std::string, char>& names,
               const std::string& what) {
    if (const auto found = names.find(given); found != names.end()) return found->second;
    for (const auto& [name, value] : names) {
        if (given.size() == 1 && given[0] == value) return value;
    }
    std::string known;
    for (const auto& entry : names) known += " " + entry.first;
    throw UsageError(what + " takes one of" + known + ", not " + given);
}

int keypad(const Invocation& inv) {
    static const std::map<std::string, char> kKeypad = {
        {"lock", '0'}, {"unlock", '1'}, {"partial-lock", '2'}, {"restore-keymap", 'A'}};
    return visit_with_value(inv, HM_keypad, choice(inv.word(1), kKeypad, "keypad"));
}

int keymap(const Invocation& inv) {
    // Values from 32 on would reach the terminal as keypad settings.
    return visit_with_value(inv, HM_keymap,
                            static_cast<int32_t>(checked_number(inv.word(1), 0, 31, "the key")));
}

int buzzer(const Invocation& inv) {
    static const std::map<std::string, char> kVolume = {{"low", 0}, {"medium", 5}, {"high", 9}};
    const std::string& given = inv.word(1);
    const int32_t volume = kVolume.contains(given)
                               ? kVolume.at(given)
                               : static_cast<int32_t>(checked_number(given, 0, 9, "the volume"));
    return visit_with_value(inv, HM_buzzer, volume);
}

int font(const Invocation& inv) {
    static const std::map<std::string, char> kFonts = {{"all", '0'}, {"16x8", '1'}, {"32x16", '2'}};
    return visit_with_value(inv, HM_system_font, choice(inv.word(1), kFonts, "font"));
}

int exe_size(const Invocation& inv) {
    // Three digits travel; a larger size would send a character that is no digit.
    const auto size = static_cast<int32_t>(checked_number(inv.word(1), 0, 999, "the size"));
    return visit_with_value(inv, HM_exe_size, size);
}

int ups(const Invocation& inv) {
    return visit_plain(inv, HM_ups);
}

int set_address(const Invocation& inv) {
    const char from = checked_address(inv.word(0));
    const char to = checked_address(inv.word(1));
    return visit_each(inv, std::string(1, from),
                      [&](char a) { return outcome_of(HM_set_address(inv.link.port, a, to)); });
}

}  // namespace

std::vector<CommandSpec> setup_commands() {
    return {
        make_spec("bar-table", "ADDRESSES TEXT", "send the bar-code symbology table", 2, 2,
                  bar_table),
        make_spec("comm-table", "ADDRESSES TYPE RATE FORMAT TIMEOUT",
                  "communication table, e.g. KD24 9600 8N1 20 (tenths)", 5, 5, comm_table),
        make_spec("device-table", "ADDRESSES TEXT", "send the device table", 2, 2, device_table),
        make_spec("term-table", "ADDRESSES TEXT", "send the terminal table", 2, 2, term_table),
        make_spec("date-time", "ADDRESSES [--text YYYYMMDDhhmmss]",
                  "set the clocks (from the PC clock unless given)", 1, 1, date_time,
                  {{}, {"--text"}}),
        make_spec("password", "ADDRESSES TEXT", "set the password", 2, 2, password),
        make_spec("keypad", "ADDRESSES lock|unlock|partial-lock|restore-keymap",
                  "lock or unlock the keypad", 2, 2, keypad),
        make_spec("keymap", "ADDRESSES KEY", "key map value 0..31", 2, 2, keymap),
        make_spec("buzzer", "ADDRESSES low|medium|high|0..9", "beeper volume", 2, 2, buzzer),
        make_spec("font", "ADDRESSES all|16x8|32x16", "restore the system font", 2, 2, font),
        make_spec("exe-size", "ADDRESSES KB", "executable area size, 0..999 kilobytes", 2, 2,
                  exe_size),
        make_spec("ups", "ADDRESSES", "switch the UPS off", 1, 1, ups),
        make_spec("set-address", "FROM TO", "give terminal FROM the address TO", 2, 2, set_address),
    };
}

}  // namespace vantctl
