#include "terminal.h"

namespace termsim {

std::string default_terminal_id(int kind) {
    switch (kind) {
        case 1:
            return "KT08-A1";
        case 2:
            return "KT24-B1";
        case 3:
            return "VT71-C1";
        case 4:
            return "VT79-C2";
        case 5:
            return "VT61-D1";
        default:
            return "KT05-A0";
    }
}

int default_ems_kb(int kind) {
    return kind == 3 || kind == 4 ? 1024 : 0;
}

Terminal::Terminal(TerminalConfig config, Trace& trace)
    : trace_(trace),
      address_(config.address),
      kind_(config.kind),
      id_(config.id.empty() ? default_terminal_id(config.kind) : config.id),
      firmware_(config.firmware),
      program_(config.program),
      records_(std::move(config.records)),
      store_(std::make_unique<FileStore>(config.store_dir)),
      asleep_(config.asleep),
      upload_mode_(config.upload_mode),
      ram_kb_(config.ram_kb),
      exec_kb_(config.exec_kb),
      ems_kb_(config.ems_kb < 0 ? default_ems_kb(config.kind) : config.ems_kb),
      flash_kb_(config.flash_kb) {}

void Terminal::note(const std::string& text) {
    trace_.event(std::string(1, address_) + ": " + text);
}

void Terminal::wake() {
    if (!asleep_) return;
    asleep_ = false;
    note("woke up");
}

Answer Terminal::poll() {
    if (records_.empty()) return Answer::eot();
    // The record stays until the host acknowledges it: a lost answer is sent again next poll.
    const Bytes record = records_.front();
    return Answer::data(encode_data(record), [this, record] {
        if (records_.empty() || records_.front() != record) return;
        records_.pop_front();
        note("record acknowledged: " + printable(record) + " (" + std::to_string(records_.size()) +
             " waiting)");
    });
}

Answer Terminal::command(std::uint8_t letter, const Bytes& data) {
    // Any other request ends a directory listing that the host did not finish.
    if (letter != 'D') directory_.reset();
    const auto& table = handlers();
    const auto found = table.find(letter);
    if (found == table.end()) {
        note("unknown command " + describe_bytes(std::span(&letter, 1)));
        return Answer::nak();
    }
    return (this->*found->second)(data);
}

Answer Terminal::status(char letter, std::uint8_t value) {
    const Bytes body{value};
    return Answer::data(command_answer_payload(letter, body));
}

Answer Terminal::text_answer(char letter, const std::string& text) {
    return Answer::data(command_answer_payload(letter, to_bytes(text)));
}

Answer Terminal::on_wake_check(const Bytes&) {
    return Answer::ack();
}

Answer Terminal::on_sleep(const Bytes&) {
    asleep_ = true;
    note("went to sleep");
    return Answer::ack();
}

Answer Terminal::on_warm_start(const Bytes&) {
    note("warm start");
    return Answer::ack();
}

}  // namespace termsim
