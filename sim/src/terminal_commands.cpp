// The command table: one handler per command letter, each answering as a terminal would.
#include <algorithm>
#include <cctype>
#include <ctime>

#include "terminal.h"

namespace termsim {

namespace {

// Room for a directory part: the host's 256-byte receive buffer with margin for the lead bytes.
constexpr std::size_t kDirectoryPartLimit = 200;
// Encoded room for an upload block behind the ESC lead byte and the answer letter.
constexpr std::size_t kUploadBlockLimit = 250;
// A terminal's RAM disk is small; a runaway download must not fill the PC's disk.
constexpr std::size_t kMaxDownloadBytes = std::size_t{16} * 1024 * 1024;

std::string text_of(const Bytes& data) {
    return to_text(data);
}

bool all_digits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

std::string stem(const std::string& name) {
    return name.substr(0, name.find('.'));
}

int kilobytes(std::uintmax_t bytes) {
    return static_cast<int>((bytes + 1023) / 1024);
}

std::string digits(int value, int width) {
    char text[16];
    // At most four digits after the clamp: always fits.
    (void)std::snprintf(text, sizeof text, "%0*d", width,
                        std::clamp(value, 0, width == 3 ? 999 : 9999));
    return text;
}

bool is_leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// "YYYYMMDDhhmmss" as a broken-down time, or nothing when it is no real date and time.
std::optional<std::tm> parse_clock(const std::string& text) {
    if (text.size() != 14 || !all_digits(text)) return std::nullopt;
    auto field = [&](std::size_t at, std::size_t width) {
        return std::stoi(text.substr(at, width));
    };
    std::tm t{};
    const int year = field(0, 4), month = field(4, 2), day = field(6, 2);
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return std::nullopt;
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = field(8, 2);
    t.tm_min = field(10, 2);
    t.tm_sec = field(12, 2);
    if (t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59) return std::nullopt;
    return t;
}

std::int64_t local_seconds_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<std::int64_t>(timegm(&local));
}

}  // namespace

const std::map<std::uint8_t, Terminal::Handler>& Terminal::handlers() {
    static const std::map<std::uint8_t, Handler> table = {
        {'7', &Terminal::on_wake_check},
        {'8', &Terminal::on_sleep},
        {'A', &Terminal::on_warm_start},
        {'H', &Terminal::on_cold_start},
        {'k', &Terminal::on_kermit},
        {'X', &Terminal::on_exec},
        {'E', &Terminal::on_delete},
        {'O', &Terminal::on_autoboot},
        {'J', &Terminal::on_file_exist},
        {'D', &Terminal::on_directory},
        {'I', &Terminal::on_running_program},
        {'v', &Terminal::on_firmware},
        {'R', &Terminal::on_id_or_trigger},
        {'G', &Terminal::on_memory_size},
        {'Q', &Terminal::on_upload_mode},
        {'9', &Terminal::on_sendback},
        {'0', &Terminal::on_send_data},
        {'5', &Terminal::on_set_address},
        {'f', &Terminal::on_font},
        {'K', &Terminal::on_keypad_or_keymap},
        {'N', &Terminal::on_buzzer},
        {'F', &Terminal::on_exec_size_or_ups},
        {'T', &Terminal::on_term_table},
        {'C', &Terminal::on_comm_table},
        {'V', &Terminal::on_device_table},
        {'B', &Terminal::on_bar_table},
        {'M', &Terminal::on_clock},
        {'P', &Terminal::on_password},
        {'?', &Terminal::on_kd24_record},
        {'@', &Terminal::on_kd24_min_length},
        {'>', &Terminal::on_kd24_field_port},
        {'U', &Terminal::on_upload_start},
        {'Y', &Terminal::on_block},
        {'L', &Terminal::on_download_start},
        {'Z', &Terminal::on_download_end},
        {'y', &Terminal::on_cancel_upload},
        {'z', &Terminal::on_cancel_download},
        {'l', &Terminal::on_tester_start},
    };
    return table;
}

Answer Terminal::on_cold_start(const Bytes&) {
    program_ = autoboot_;
    upload_.reset();
    download_.reset();
    note("cold start" + (program_.empty() ? std::string() : ", running " + program_));
    return Answer::ack();
}

Answer Terminal::on_kermit(const Bytes&) {
    note("kermit started");
    return Answer::ack();
}

std::optional<std::string> Terminal::find_program(Area area, const std::string& name) const {
    for (const auto& file : store_->list(area)) {
        if (same_name(file, name) || same_name(stem(file), name)) return file;
    }
    return std::nullopt;
}

Answer Terminal::on_exec(const Bytes& data) {
    const auto wanted = parse_terminal_file_name(text_of(data));
    if (!is_safe_file_name(wanted.name)) return status('X', 1);
    std::optional<std::string> found;
    Area area = wanted.area;
    if (area == Area::Ram) found = find_program(Area::Ram, wanted.name);
    if (!found) {
        area = Area::Rom;
        found = find_program(Area::Rom, wanted.name);
    }
    if (!found) return status('X', 1);
    program_ = *found;
    note("running " + program_ + (area == Area::Rom ? " from flash ROM" : ""));
    return status('X', area == Area::Rom ? 2 : 0);
}

Answer Terminal::on_delete(const Bytes& data) {
    const auto wanted = parse_terminal_file_name(text_of(data));
    if (!is_safe_file_name(wanted.name)) return status('E', 2);
    if (!store_->remove(wanted.area, wanted.name)) return status('E', 1);
    note("file deleted: " + wanted.name);
    return status('E', 0);
}

Answer Terminal::on_autoboot(const Bytes& data) {
    const std::string name = text_of(data);
    if (!is_safe_file_name(name)) return status('O', 2);
    if (!find_program(Area::Ram, name) && !find_program(Area::Rom, name)) return status('O', 1);
    autoboot_ = name;
    note("autoboot program set: " + name);
    return status('O', 0);
}

Answer Terminal::on_file_exist(const Bytes& data) {
    const auto wanted = parse_terminal_file_name(text_of(data));
    if (!is_safe_file_name(wanted.name)) return status('J', 1);
    for (Area area : {wanted.area, Area::Rom}) {
        if (!store_->find(area, wanted.name)) continue;
        Bytes body{static_cast<std::uint8_t>(area == Area::Rom ? 2 : 0)};
        const Bytes length = to_bytes(std::to_string(store_->size(area, wanted.name)));
        body.insert(body.end(), length.begin(), length.end());
        return Answer::data(command_answer_payload('J', body));
    }
    return status('J', 1);
}

Answer Terminal::on_directory(const Bytes& data) {
    const std::string argument = text_of(data);
    if (!argument.empty() && !same_name(argument, "/ROM")) return Answer::eot();
    const Area area = argument.empty() ? Area::Ram : Area::Rom;
    if (!directory_ || directory_->area != area)
        directory_ = DirectoryWalk{area, directory_parts(area), 0};
    return next_directory_part();
}

std::vector<std::string> Terminal::directory_parts(Area area) const {
    std::vector<std::string> parts;
    std::string part;
    for (const auto& name : store_->list(area)) {
        if (!is_safe_file_name(name)) continue;  // a comma or backslash would break the listing
        std::string longer = part;
        if (!longer.empty()) longer += ',';
        longer += name;
        if (!part.empty() && longer.size() + 1 > kDirectoryPartLimit) {
            parts.push_back(part);
            part = name;
        } else {
            part = longer;
        }
    }
    parts.push_back(part);
    return parts;
}

Answer Terminal::next_directory_part() {
    DirectoryWalk& walk = *directory_;
    const bool last = walk.next + 1 >= walk.parts.size();
    // A part that another follows ends in a backslash; the host asks again for the next one.
    const std::string text = walk.parts[walk.next] + (last ? "" : "\\");
    return Answer::data(command_answer_payload('D', to_bytes(text)), [this, last] {
        if (!directory_) return;
        if (last) {
            note("directory listed");
            directory_.reset();
        } else {
            ++directory_->next;
        }
    });
}

Answer Terminal::on_running_program(const Bytes&) {
    if (program_.empty()) return status('I', 1);
    return text_answer('I', program_);
}

Answer Terminal::on_firmware(const Bytes&) {
    if (firmware_.empty()) return status('v', 1);
    return text_answer('v', firmware_);
}

Answer Terminal::on_id_or_trigger(const Bytes& data) {
    if (data.empty()) return text_answer('R', id_);
    if (data.size() != 1) return status('R', 1);
    note("KD24 trigger " + printable(data));
    return status('R', 0);
}

Answer Terminal::on_memory_size(const Bytes& data) {
    const std::string argument = text_of(data);
    if (argument.empty()) return text_answer('G', ram_size_digits());
    if (same_name(argument, "/ROM")) return text_answer('G', flash_size_digits());
    return Answer::eot();
}

int Terminal::free_kb(Area area) const {
    const int used = kilobytes(store_->used_bytes(area));
    const int room = area == Area::Ram ? ram_kb_ - exec_kb_ : flash_kb_;
    return std::max(0, room - used);
}

std::string Terminal::ram_size_digits() const {
    std::string text = digits(ram_kb_, 3) + digits(exec_kb_, 3) + digits(free_kb(Area::Ram), 3);
    if (ems_kb_ > 0) text += digits(ems_kb_, 4) + digits(ems_kb_, 4);
    return text;
}

std::string Terminal::flash_size_digits() const {
    return digits(flash_kb_, 4) + digits(free_kb(Area::Rom), 4);
}

Answer Terminal::on_upload_mode(const Bytes&) {
    return status('Q', upload_mode_ ? 1 : 0);
}

Answer Terminal::on_sendback(const Bytes& data) {
    Bytes echo = data;
    // Keep the echo within one answer frame.
    while (command_answer_payload('9', echo).size() > kMaxAnswerPayload) echo.pop_back();
    return Answer::data(command_answer_payload('9', echo));
}

Answer Terminal::on_send_data(const Bytes& data) {
    note("data received: " + printable(decode_data(data)));
    return Answer::ack();
}

Answer Terminal::on_set_address(const Bytes& data) {
    if (data.size() != 1) return status('5', 1);
    const char wanted = static_cast<char>(data[0]);
    if (wanted == address_) return status('5', 0);
    if (!is_valid_address(wanted) || (address_in_use_ && address_in_use_(wanted))) {
        return status('5', 1);
    }
    // The answer still goes out under the old address; from now on the terminal listens to the new.
    note(std::string("address changed to ") + wanted);
    address_ = wanted;
    return status('5', 0);
}

Answer Terminal::on_font(const Bytes& data) {
    if (data.size() != 1 || data[0] < '0' || data[0] > '2') return status('f', 1);
    font_ = static_cast<char>(data[0]);
    note(std::string("system font restored: ") + font_);
    return status('f', 0);
}

Answer Terminal::on_keypad_or_keymap(const Bytes& data) {
    // A raw byte below 0x20 (or none: the value 0 ends the text at once) is a key map.
    if (data.empty() || (data.size() == 1 && data[0] < 0x20)) {
        note("key map " + std::to_string(data.empty() ? 0 : data[0]));
        return Answer::ack();
    }
    const char value = static_cast<char>(data[0]);
    if (data.size() != 1 || std::string("012A").find(value) == std::string::npos) {
        return status('K', 1);
    }
    keypad_ = value;
    note(std::string("keypad set: ") + value);
    return status('K', 0);
}

Answer Terminal::on_buzzer(const Bytes& data) {
    if (data.size() == 1) buzzer_volume_ = data[0] - '0';
    note("buzzer volume " + std::to_string(buzzer_volume_));
    return Answer::ack();
}

Answer Terminal::on_exec_size_or_ups(const Bytes& data) {
    if (data.empty()) {
        note("UPS off");
        return Answer::ack();
    }
    const std::string text = text_of(data);
    if (text.size() != 3 || !all_digits(text)) return status('F', 2);
    if (!store_->list(Area::Ram).empty()) return status('F', 1);
    const int size = std::stoi(text);
    if (size > ram_kb_) return status('F', 2);
    exec_kb_ = size;
    note("executable area " + std::to_string(size) + " KB");
    return status('F', 0);
}

Answer Terminal::store_table(char letter, const char* what, std::string& table, const Bytes& data) {
    if (data.empty()) return status(letter, 1);
    table = text_of(data);
    note(std::string(what) + " table stored: " + printable(data));
    return status(letter, 0);
}

Answer Terminal::on_term_table(const Bytes& data) {
    return store_table('T', "terminal", term_table_, data);
}

Answer Terminal::on_comm_table(const Bytes& data) {
    return store_table('C', "communication", comm_table_, data);
}

Answer Terminal::on_device_table(const Bytes& data) {
    return store_table('V', "device", device_table_, data);
}

Answer Terminal::on_bar_table(const Bytes& data) {
    return store_table('B', "bar-code", bar_table_, data);
}

Answer Terminal::on_clock(const Bytes& data) {
    auto set = parse_clock(text_of(data));
    if (!set) return status('M', 1);
    clock_offset_s_ = static_cast<std::int64_t>(timegm(&*set)) - local_seconds_now();
    char shown[32];
    (void)std::strftime(shown, sizeof shown, "%Y-%m-%d %H:%M:%S", &*set);  // 19 characters
    note(std::string("clock set to ") + shown);
    return status('M', 0);
}

Answer Terminal::on_password(const Bytes& data) {
    if (data.empty()) return status('P', 1);
    password_ = text_of(data);
    note("password set (" + std::to_string(password_.size()) + " characters)");
    return status('P', 0);
}

Answer Terminal::on_kd24_record(const Bytes& data) {
    kd24_record_ = text_of(data);
    note("KD24 configuration record: " + printable(data));
    return Answer::ack();
}

Answer Terminal::on_kd24_min_length(const Bytes& data) {
    if (!all_digits(text_of(data))) return status('@', 1);
    kd24_min_length_ = text_of(data);
    note("KD24 minimum length: " + kd24_min_length_);
    return status('@', 0);
}

Answer Terminal::on_kd24_field_port(const Bytes& data) {
    if (data.empty()) return status('>', 1);
    kd24_field_port_ = text_of(data);
    note("KD24 field port: " + printable(data));
    return status('>', 0);
}

Answer Terminal::on_upload_start(const Bytes& data) {
    const auto wanted = parse_terminal_file_name(text_of(data));
    if (!is_safe_file_name(wanted.name)) return Answer::eot();
    auto content = store_->read(wanted.area, wanted.name);
    if (!content) return Answer::eot();
    upload_ = Upload{wanted.name, std::move(*content), 0};
    note("upload started: " + wanted.name + " (" + std::to_string(upload_->content.size()) +
         " bytes)");
    return Answer::ack();
}

Answer Terminal::on_block(const Bytes& data) {
    if (data.empty()) return upload_ ? next_upload_block() : Answer::eot();
    if (!download_) return Answer::eot();
    const Bytes block = decode_data(data);
    if (download_->content.size() + block.size() > kMaxDownloadBytes) return Answer::nak();
    download_->content.insert(download_->content.end(), block.begin(), block.end());
    return Answer::ack();
}

Answer Terminal::next_upload_block() {
    Upload& upload = *upload_;
    if (upload.offset >= upload.content.size()) {
        return Answer::data(command_answer_payload('Z', {}), [this] {
            if (!upload_) return;
            note("upload finished: " + upload_->name);
            upload_.reset();
        });
    }
    // Fill the block as far as its encoded form fits one answer.
    std::size_t count = 0;
    std::size_t encoded = 0;
    while (upload.offset + count < upload.content.size()) {
        const std::uint8_t b = upload.content[upload.offset + count];
        const std::size_t cost = encode_data(std::span(&b, 1)).size();
        if (encoded + cost > kUploadBlockLimit - 2) break;
        encoded += cost;
        ++count;
    }
    const auto first = upload.content.begin() + static_cast<std::ptrdiff_t>(upload.offset);
    const Bytes block(first, first + static_cast<std::ptrdiff_t>(count));
    return Answer::data(command_answer_payload('Y', block), [this, count] {
        if (upload_) upload_->offset += count;
    });
}

Answer Terminal::on_download_start(const Bytes& data) {
    const auto target = parse_terminal_file_name(text_of(data));
    if (!is_safe_file_name(target.name)) return Answer::eot();
    download_ = Download{target, {}};
    note("download started: " + target.name);
    return Answer::ack();
}

Answer Terminal::on_download_end(const Bytes&) {
    if (tester_file_) {
        note("tester download finished: " + *tester_file_);
        tester_file_.reset();
    }
    if (!download_) return Answer::ack();
    const Download done = std::move(*download_);
    download_.reset();
    if (!store_->write(done.target.area, done.target.name, done.content)) {
        note("file not stored: " + done.target.name);
        return Answer::nak();
    }
    note("file stored: " + done.target.name +
         (done.target.area == Area::Rom ? " (flash ROM, " : " (") +
         std::to_string(done.content.size()) + " bytes)");
    return Answer::ack();
}

Answer Terminal::on_cancel_upload(const Bytes&) {
    if (upload_) note("upload cancelled: " + upload_->name);
    upload_.reset();
    return Answer::ack();
}

Answer Terminal::on_cancel_download(const Bytes&) {
    if (download_) note("download cancelled: " + download_->target.name);
    download_.reset();
    return Answer::ack();
}

Answer Terminal::on_tester_start(const Bytes& data) {
    tester_file_ = text_of(data);
    note("tester download announced: " + printable(data));
    return Answer::ack();
}

}  // namespace termsim
