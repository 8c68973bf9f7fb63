// The KD24 terminals' own settings: configuration record, minimum length, field port, trigger.
#include <cstdint>
#include <string>

#include "command_table.h"
#include "input_file.h"
#include "kd24_config.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

// The file's record, or the reason it makes none as a failure of the command.
std::string kd24_record_from_file(const std::string& path) {
    opscore::InputFile file(path);
    if (!file.is_open()) throw CommandFailure(path + " " + file.problem());
    opscore::Kd24Record record = opscore::kd24_record(file.stream());
    if (!record.error) return std::move(record.bytes);
    using Kind = opscore::Kd24Error::Kind;
    const bool about_the_file =
        record.error->kind == Kind::LineTooLong || record.error->kind == Kind::ReadError;
    throw CommandFailure(about_the_file ? path + ": " + record.error->message
                                        : record.error->message);
}

int config(const Invocation& inv) {
    checked_addresses(inv.word(0));  // a wrong address is a usage mistake, before the file
    return visit_with_text(inv, HM_KD24_record, kd24_record_from_file(inv.word(1)));
}

int min_length(const Invocation& inv) {
    return visit_with_text(inv, HM_KD24_min_len,
                           checked_text(inv.word(1), kMaxRequestText, "the minimum length"));
}

int field_port(const Invocation& inv) {
    return visit_with_text(inv, HM_KD24_field_port,
                           checked_text(inv.word(1), kMaxRequestText, "the field port"));
}

int trigger(const Invocation& inv) {
    const auto value = static_cast<int32_t>(checked_number(inv.word(1), 1, 255, "the trigger"));
    return visit_each(inv, checked_addresses(inv.word(0)),
                      [&](char a) { return outcome_of(HM_KD24_trigger(inv.link.port, a, value)); });
}

}  // namespace

std::vector<CommandSpec> kd24_commands() {
    return {
        make_spec("kd24-config", "ADDRESSES FILE.KD24", "send the configuration record of FILE", 2,
                  2, config),
        make_spec("kd24-min-len", "ADDRESSES TEXT", "KD24 minimum length", 2, 2, min_length),
        make_spec("kd24-field-port", "ADDRESSES TEXT", "KD24 field port", 2, 2, field_port),
        make_spec("kd24-trigger", "ADDRESSES VALUE", "KD24 trigger, 1..255", 2, 2, trigger),
    };
}

}  // namespace vantctl
