// One data-collection terminal on the line: its state and its answers to the host's requests.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "answer.h"
#include "file_store.h"
#include "trace.h"

namespace termsim {

struct TerminalConfig {
    char address = 'A';
    int kind = 0;    // 0 KD31/KD32, 1 KD35, 2 KD24, 3 VS17, 4 VS19, 5 VS15
    std::string id;  // empty: derived from the kind
    std::string firmware = "V3.20";
    std::string program;  // running program; empty: none
    std::deque<Bytes> records;
    std::string store_dir;  // empty: temporary
    bool asleep = false;
    bool upload_mode = false;
    int ram_kb = 640;
    int exec_kb = 128;
    int ems_kb = -1;  // -1: by kind
    int flash_kb = 2048;
};

// Default identity text per kind; the host derives the kind back from its third and fourth
// characters.
std::string default_terminal_id(int kind);
int default_ems_kb(int kind);

class Terminal {
public:
    Terminal(TerminalConfig config, Trace& trace);

    char address() const { return address_; }
    bool asleep() const { return asleep_; }
    std::size_t records_waiting() const { return records_.size(); }
    FileStore& store() { return *store_; }

    // The line answers whether another terminal already listens to an address.
    void set_address_check(std::function<bool(char)> in_use) {
        address_in_use_ = std::move(in_use);
    }

    void wake();
    Answer poll();
    // data is the request data as received (still encoded for the commands that encode).
    Answer command(std::uint8_t letter, const Bytes& data);

private:
    using Handler = Answer (Terminal::*)(const Bytes& data);
    static const std::map<std::uint8_t, Handler>& handlers();

    void note(const std::string& text);
    Answer status(char letter, std::uint8_t value);
    Answer text_answer(char letter, const std::string& text);

    // Power saving and resets.
    Answer on_wake_check(const Bytes& data);
    Answer on_sleep(const Bytes& data);
    Answer on_warm_start(const Bytes& data);
    Answer on_cold_start(const Bytes& data);
    Answer on_kermit(const Bytes& data);
    // Programs and files.
    Answer on_exec(const Bytes& data);
    Answer on_delete(const Bytes& data);
    Answer on_autoboot(const Bytes& data);
    Answer on_file_exist(const Bytes& data);
    Answer on_directory(const Bytes& data);
    // Inquiries.
    Answer on_running_program(const Bytes& data);
    Answer on_firmware(const Bytes& data);
    Answer on_id_or_trigger(const Bytes& data);
    Answer on_memory_size(const Bytes& data);
    Answer on_upload_mode(const Bytes& data);
    Answer on_sendback(const Bytes& data);
    // Settings.
    Answer on_send_data(const Bytes& data);
    Answer on_set_address(const Bytes& data);
    Answer on_font(const Bytes& data);
    Answer on_keypad_or_keymap(const Bytes& data);
    Answer on_buzzer(const Bytes& data);
    Answer on_exec_size_or_ups(const Bytes& data);
    Answer on_term_table(const Bytes& data);
    Answer on_comm_table(const Bytes& data);
    Answer on_device_table(const Bytes& data);
    Answer on_bar_table(const Bytes& data);
    Answer on_clock(const Bytes& data);
    Answer on_password(const Bytes& data);
    Answer on_kd24_record(const Bytes& data);
    Answer on_kd24_min_length(const Bytes& data);
    Answer on_kd24_field_port(const Bytes& data);
    // Transfers.
    Answer on_upload_start(const Bytes& data);
    Answer on_block(const Bytes& data);
    Answer on_download_start(const Bytes& data);
    Answer on_download_end(const Bytes& data);
    Answer on_cancel_upload(const Bytes& data);
    Answer on_cancel_download(const Bytes& data);
    Answer on_tester_start(const Bytes& data);

    Answer store_table(char letter, const char* what, std::string& table, const Bytes& data);
    std::optional<std::string> find_program(Area area, const std::string& name) const;
    Answer next_upload_block();
    std::vector<std::string> directory_parts(Area area) const;
    Answer next_directory_part();
    std::string ram_size_digits() const;
    std::string flash_size_digits() const;
    int free_kb(Area area) const;

    struct Upload {
        std::string name;
        Bytes content;
        std::size_t offset = 0;
    };
    struct Download {
        TerminalFileName target;
        Bytes content;
    };
    struct DirectoryWalk {
        Area area = Area::Ram;
        std::vector<std::string> parts;
        std::size_t next = 0;
    };

    Trace& trace_;
    std::function<bool(char)> address_in_use_;
    char address_;
    int kind_;
    std::string id_;
    std::string firmware_;
    std::string program_;
    std::string autoboot_;
    std::deque<Bytes> records_;
    std::unique_ptr<FileStore> store_;
    bool asleep_;
    bool upload_mode_;
    int ram_kb_;
    int exec_kb_;
    int ems_kb_;
    int flash_kb_;
    std::int64_t clock_offset_s_ = 0;  // terminal clock minus the PC's clock
    std::string password_;
    std::string bar_table_, comm_table_, device_table_, term_table_;
    std::string kd24_record_, kd24_min_length_, kd24_field_port_;
    int buzzer_volume_ = 9;
    char font_ = '0';
    char keypad_ = '0';
    std::optional<Upload> upload_;
    std::optional<Download> download_;
    std::optional<DirectoryWalk> directory_;
    std::optional<std::string> tester_file_;
};

}  // namespace termsim
