// Setting the terminals up: tables, clock, password, keys, buzzer, fonts, memory, address.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "command_table.h"
#include "date_time_text.h"
#include "table_texts.h"
#include "terminal_settings.h"
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

std::string lower_case(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The options that build a table from choices.
const std::vector<std::string> kBarTableChoices = {"--code39", "--off"};
const std::vector<std::string> kDeviceTableChoices = {
    "--scanner",  "--badge",    "--backlight",   "--buzzer", "--volume",
    "--key-lock", "--interval", "--beep-volume", "--serial", "--auto-off"};

std::vector<std::string> with_type(std::vector<std::string> choices) {
    choices.push_back("--type");
    return choices;
}

// A table is either given as TEXT or built from --type and the choices, never both.
bool builds_table(const Invocation& inv, const std::vector<std::string>& choices) {
    if (inv.has("--type")) {
        if (inv.words.size() != 1)
            throw UsageError("give the table as TEXT or build it with --type");
        return true;
    }
    for (const auto& option : choices) {
        if (inv.has(option)) throw UsageError(option + " builds a table: --type is missing");
    }
    if (inv.words.size() != 2) throw UsageError("the table TEXT is missing");
    return false;
}

opscore::TerminalKind terminal_type(const Invocation& inv) {
    const std::string& given = inv.options.at("--type");
    const auto kind = opscore::parse_terminal_kind(given);
    if (!kind) throw UsageError("unknown terminal type " + given);
    return *kind;
}

// The position of the option's value among names (in any case); fallback when it is not given.
int named_choice(const Invocation& inv, const std::string& option,
                 const std::vector<std::string>& names, int fallback = 0) {
    if (!inv.has(option)) return fallback;
    const std::string given = lower_case(inv.options.at(option));
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == given) return static_cast<int>(i);
    }
    std::string known;
    for (const auto& name : names) known += (known.empty() ? "" : "|") + name;
    throw UsageError(option + " takes " + known + ", not " + inv.options.at(option));
}

int number_choice(const Invocation& inv, const std::string& option, int max, int fallback) {
    if (!inv.has(option)) return fallback;
    return static_cast<int>(checked_number(inv.options.at(option), 0, max, option));
}

// Refuses a choice that the model's table has no place for, rather than dropping it unseen.
void only_choices(const Invocation& inv, opscore::TerminalKind kind,
                  const std::vector<std::string>& offered,
                  const std::vector<std::string>& allowed) {
    for (const auto& option : offered) {
        if (inv.has(option) && std::find(allowed.begin(), allowed.end(), option) == allowed.end()) {
            throw UsageError(std::string(opscore::terminal_kind_name(kind)) +
                             " terminals have no " + option.substr(2) + " setting");
        }
    }
}

// Each terminal gets the built table; its text is shown as the answer.
int send_built_table(const Invocation& inv, TextCall call, const std::string& text) {
    return visit_each(inv, checked_addresses(inv.word(0)), [&](char a) {
        return outcome_of(call(inv.link.port, a, text.c_str()), text);
    });
}

struct SymbologyName {
    const char* name;
    bool opscore::BarCodeChoice::*on;
};
const SymbologyName kSymbologies[] = {
    {"i25", &opscore::BarCodeChoice::i2of5},         {"codabar", &opscore::BarCodeChoice::codabar},
    {"ean-upc", &opscore::BarCodeChoice::ean_upc},   {"code128", &opscore::BarCodeChoice::code128},
    {"ean128", &opscore::BarCodeChoice::ean128},     {"code93", &opscore::BarCodeChoice::code93},
    {"trioptic", &opscore::BarCodeChoice::trioptic}, {"msi", &opscore::BarCodeChoice::msi},
    {"code11", &opscore::BarCodeChoice::code11},
};

// Switches off one symbology named in --off; one the model's table has no place for is refused.
void switch_off(const std::string& given, opscore::TerminalKind kind,
                opscore::BarCodeChoice& choice) {
    const std::string name = lower_case(given);
    for (const auto& symbology : kSymbologies) {
        if (name != symbology.name) continue;
        choice.*symbology.on = false;
        opscore::BarCodeChoice other = choice;
        other.*symbology.on = true;
        if (opscore::bar_table_text(kind, other) == opscore::bar_table_text(kind, choice)) {
            throw UsageError(std::string(opscore::terminal_kind_name(kind)) +
                             " terminals have no " + symbology.name + " setting");
        }
        return;
    }
    std::string known;
    for (const auto& symbology : kSymbologies) known += std::string(" ") + symbology.name;
    throw UsageError("--off takes a list of" + known + ", not " + given +
                     (name == "code39" ? " (Code 39 has --code39)" : ""));
}

std::string built_bar_table(const Invocation& inv) {
    const auto kind = terminal_type(inv);
    opscore::BarCodeChoice choice;
    choice.code39 =
        static_cast<opscore::Code39>(named_choice(inv, "--code39", {"on", "off", "full"}));
    if (inv.has("--off")) {
        std::stringstream list(inv.options.at("--off"));
        for (std::string name; std::getline(list, name, ',');) switch_off(name, kind, choice);
    }
    return opscore::bar_table_text(kind, choice);
}

int bar_table(const Invocation& inv) {
    if (!builds_table(inv, kBarTableChoices)) return send_table(inv, HM_bar_tab);
    return send_built_table(inv, HM_bar_tab, built_bar_table(inv));
}

const std::vector<std::string> kOnOff = {"on", "off"};
const std::vector<std::string> kVolumes = {"low", "medium", "high"};

std::optional<std::string> built_device_table(const Invocation& inv, opscore::TerminalKind kind) {
    using opscore::TerminalKind;
    if (kind == TerminalKind::KD24) {
        only_choices(inv, kind, kDeviceTableChoices,
                     {"--backlight", "--interval", "--beep-volume"});
        return opscore::device_table_text(opscore::Kd24DeviceChoice{
            named_choice(inv, "--backlight", kOnOff), named_choice(inv, "--interval", kOnOff),
            number_choice(inv, "--beep-volume", 7, 7)});
    }
    if (opscore::is_vs_kind(kind)) {
        only_choices(
            inv, kind, kDeviceTableChoices,
            {"--scanner", "--serial", "--backlight", "--buzzer", "--volume", "--auto-off"});
        return opscore::device_table_text(opscore::Vs17DeviceChoice{
            named_choice(inv, "--scanner", {"auto", "pen", "off"}),
            named_choice(inv, "--serial", kOnOff), named_choice(inv, "--backlight", kOnOff),
            named_choice(inv, "--buzzer", kOnOff), named_choice(inv, "--volume", kVolumes),
            number_choice(inv, "--auto-off", 9, 5)});
    }
    only_choices(inv, kind, kDeviceTableChoices,
                 {"--scanner", "--badge", "--backlight", "--buzzer", "--volume", "--key-lock"});
    return opscore::device_table_text(
        kind, opscore::Kd35DeviceChoice{
                  named_choice(inv, "--scanner", {"auto", "pen", "msr", "off"}),
                  named_choice(inv, "--badge", {"barcode", "msr", "off"}),
                  named_choice(inv, "--backlight", kOnOff), named_choice(inv, "--buzzer", kOnOff),
                  named_choice(inv, "--volume", kVolumes),
                  named_choice(inv, "--key-lock", {"unlock", "lock", "partial-lock"})});
}

int device_table(const Invocation& inv) {
    if (!builds_table(inv, kDeviceTableChoices)) return send_table(inv, HM_dev_tab);
    const auto kind = terminal_type(inv);
    const auto text = built_device_table(inv, kind);
    // Every choice was checked above, so this is a table the terminals take.
    if (!text) throw UsageError("these choices make no device table");
    return send_built_table(inv, HM_dev_tab, *text);
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
    using opscore::KeypadSetting;
    static const std::map<std::string, char> kKeypad = {
        {"lock", opscore::keypad_character(KeypadSetting::Lock)},
        {"unlock", opscore::keypad_character(KeypadSetting::Unlock)},
        {"partial-lock", opscore::keypad_character(KeypadSetting::PartialLock)},
        {"restore-keymap", opscore::keypad_character(KeypadSetting::RestoreKeymap)}};
    return visit_with_value(inv, HM_keypad, choice(inv.word(1), kKeypad, "keypad"));
}

int keymap(const Invocation& inv) {
    // Values from 32 on would reach the terminal as keypad settings.
    return visit_with_value(inv, HM_keymap,
                            static_cast<int32_t>(checked_number(inv.word(1), 0, 31, "the key")));
}

int buzzer(const Invocation& inv) {
    using opscore::BeeperLevel;
    static const std::map<std::string, int> kVolume = {
        {"low", opscore::beeper_volume(BeeperLevel::Low)},
        {"medium", opscore::beeper_volume(BeeperLevel::Medium)},
        {"high", opscore::beeper_volume(BeeperLevel::High)}};
    const std::string& given = inv.word(1);
    const int32_t volume = kVolume.contains(given)
                               ? kVolume.at(given)
                               : static_cast<int32_t>(checked_number(given, 0, 9, "the volume"));
    return visit_with_value(inv, HM_buzzer, volume);
}

int font(const Invocation& inv) {
    using opscore::SystemFont;
    static const std::map<std::string, char> kFonts = {
        {"all", opscore::system_font_character(SystemFont::All)},
        {"16x8", opscore::system_font_character(SystemFont::Font16x8)},
        {"32x16", opscore::system_font_character(SystemFont::Font32x16)}};
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
        make_spec("bar-table", "ADDRESSES TEXT | ADDRESSES --type TYPE [choices]",
                  "send the bar-code symbology table (choices below)", 1, 2, bar_table,
                  {{}, with_type(kBarTableChoices)}),
        make_spec("comm-table", "ADDRESSES TYPE RATE FORMAT TIMEOUT",
                  "communication table, e.g. KD24 9600 8N1 20 (tenths)", 5, 5, comm_table),
        make_spec("device-table", "ADDRESSES TEXT | ADDRESSES --type TYPE [choices]",
                  "send the device table (choices below)", 1, 2, device_table,
                  {{}, with_type(kDeviceTableChoices)}),
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
