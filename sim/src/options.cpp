#include "options.h"

#include <charconv>
#include <sstream>

#include "file_lines.h"

namespace termsim {

namespace {

constexpr std::size_t kMaxShortAnswerText = 97;

template <typename Number>
bool parse_number(const std::string& text, Number& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool parse_probability(const std::string& text, double& out) {
    try {
        std::size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && out >= 0 && out <= 1;
    } catch (...) {
        return false;
    }
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A line of escaped-records=: \r, \n, \0, \\ and \xHH stand for their bytes, so a record can
// hold what a line cannot.
std::optional<Bytes> unescape_record(const std::string& line) {
    Bytes record;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            record.push_back(static_cast<std::uint8_t>(line[i]));
            continue;
        }
        const char kind = i + 1 < line.size() ? line[++i] : '\0';
        if (kind == 'r') {
            record.push_back('\r');
        } else if (kind == 'n') {
            record.push_back('\n');
        } else if (kind == '0') {
            record.push_back(0);
        } else if (kind == '\\') {
            record.push_back('\\');
        } else if (kind == 'x' && i + 2 < line.size() && hex_digit(line[i + 1]) >= 0 &&
                   hex_digit(line[i + 2]) >= 0) {
            record.push_back(
                static_cast<std::uint8_t>(hex_digit(line[i + 1]) * 16 + hex_digit(line[i + 2])));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return record;
}

bool read_records(const std::string& path, bool escaped, std::deque<Bytes>& records,
                  std::string& error) {
    std::string why;
    const int fd = open_regular_file(path, why);
    if (fd < 0) return error = "cannot read records file " + path + ": " + why, false;
    FileLines lines(fd);
    std::string line;
    for (std::size_t number = 1;; ++number) {
        const LineRead read = lines.next(line);
        if (read == LineRead::End) return true;
        if (read == LineRead::Error) {
            return error = "records file " + path + ": line " + std::to_string(number) +
                           " cannot be read",
                   false;
        }
        if (read == LineRead::TooLong) {
            return error = "records file " + path + ": line " + std::to_string(number) +
                           " is longer than " + std::to_string(kMaxFileLine) + " bytes",
                   false;
        }
        if (line.empty()) continue;
        if (!escaped) {
            records.push_back(to_bytes(line));
        } else if (const auto record = unescape_record(line)) {
            records.push_back(*record);
        } else {
            return error = "records file " + path + ": line " + std::to_string(number) +
                           " has a backslash that starts no escape",
                   false;
        }
    }
}

bool fits_one_answer(const Bytes& record) {
    return encode_data(record).size() <= kMaxAnswerPayload;
}

bool parse_generate(const std::string& value, char address, std::deque<Bytes>& records) {
    const auto x = value.find('x');
    int count = 0;
    int length = 0;
    if (x == std::string::npos || !parse_number(value.substr(0, x), count) ||
        !parse_number(value.substr(x + 1), length) || count < 0 || length < 1) {
        return false;
    }
    auto generated = generate_records(address, count, length);
    records.insert(records.end(), generated.begin(), generated.end());
    return true;
}

bool apply_terminal_key(TerminalConfig& config, const std::string& key, const std::string& value,
                        std::string& error) {
    bool ok = true;
    if (key == "records" || key == "escaped-records") {
        return read_records(value, key == "escaped-records", config.records, error);
    } else if (key == "generate") {
        ok = parse_generate(value, config.address, config.records);
    } else if (key == "store") {
        config.store_dir = value;
    } else if (key == "sleep") {
        config.asleep = value == "1";
    } else if (key == "kind") {
        ok = parse_number(value, config.kind) && config.kind >= 0 && config.kind <= 5;
    } else if (key == "id") {
        config.id = value;
    } else if (key == "firmware") {
        config.firmware = value;
    } else if (key == "program") {
        config.program = value;
    } else if (key == "upload-mode") {
        config.upload_mode = value == "1";
    } else if (key == "ram") {
        ok = parse_number(value, config.ram_kb) && config.ram_kb >= 0 && config.ram_kb <= 999;
    } else if (key == "exec") {
        ok = parse_number(value, config.exec_kb) && config.exec_kb >= 0 && config.exec_kb <= 999;
    } else if (key == "ems") {
        ok = parse_number(value, config.ems_kb) && config.ems_kb >= 0 && config.ems_kb <= 9999;
    } else if (key == "flash") {
        ok =
            parse_number(value, config.flash_kb) && config.flash_kb >= 0 && config.flash_kb <= 9999;
    } else {
        return error = "unknown terminal key " + key, false;
    }
    if (!ok) error = "bad value for " + key + ": " + value;
    return ok;
}

bool parse_terminal(const std::string& description, TerminalConfig& config, std::string& error) {
    const auto parts = split(description, ',');
    if (parts.empty() || parts[0].size() != 1 || !is_valid_address(parts[0][0])) {
        return error = "bad terminal address in " + description, false;
    }
    config.address = parts[0][0];
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto eq = parts[i].find('=');
        if (eq == std::string::npos) return error = "expected key=value: " + parts[i], false;
        if (!apply_terminal_key(config, parts[i].substr(0, eq), parts[i].substr(eq + 1), error)) {
            return false;
        }
    }
    // The host keeps these answers in a 100-byte area: two lead bytes, the text and a NUL.
    for (const std::string* text : {&config.id, &config.firmware, &config.program}) {
        if (text->size() > kMaxShortAnswerText) {
            return error = "text longer than " + std::to_string(kMaxShortAnswerText) +
                           " characters: " + *text,
                   false;
        }
    }
    for (const auto& record : config.records) {
        if (!fits_one_answer(record)) {
            return error = "record too long for one answer: " + to_text(record), false;
        }
    }
    return true;
}

bool parse_dial_plan(const std::string& text, DialPlan& plan) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    plan.digits = text.substr(0, eq);
    std::string result = text.substr(eq + 1);
    const auto colon = result.find(':');
    if (colon != std::string::npos) {
        if (!parse_number(result.substr(colon + 1), plan.delay_ms) || plan.delay_ms < 0) {
            return false;
        }
        result.resize(colon);
    }
    if (result == "connect") {
        plan.result = DialResult::Connect;
    } else if (result == "no-carrier") {
        plan.result = DialResult::NoCarrier;
    } else if (result == "busy") {
        plan.result = DialResult::Busy;
    } else if (result == "no-answer") {
        plan.result = DialResult::NoAnswer;
    } else {
        return false;
    }
    return true;
}

double* fault_rate(FaultRates& rates, const std::string& flag) {
    if (flag == "--fault-nak") return &rates.nak;
    if (flag == "--fault-check") return &rates.check;
    if (flag == "--fault-check1") return &rates.check1;
    if (flag == "--fault-noise") return &rates.noise;
    if (flag == "--fault-silence") return &rates.silence;
    if (flag == "--fault-late") return &rates.late;
    if (flag == "--fault-carrier") return &rates.carrier;
    return nullptr;
}

}  // namespace

std::deque<Bytes> generate_records(char address, int count, int length) {
    static const std::string filler = "-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const int width = static_cast<int>(std::to_string(count).size());
    std::deque<Bytes> records;
    for (int n = 1; n <= count; ++n) {
        std::string number = std::to_string(n);
        std::string text = std::string(1, address) +
                           std::string(static_cast<std::size_t>(width) - number.size(), '0') +
                           number;
        for (std::size_t i = 0; text.size() < static_cast<std::size_t>(length); ++i) {
            text += filler[i % filler.size()];
        }
        text.resize(static_cast<std::size_t>(length));
        records.push_back(to_bytes(text));
    }
    return records;
}

std::optional<Options> parse_options(int argc, char** argv, std::string& error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") {
            options.help = true;
            return options;
        }
        if (flag == "--version") {
            options.version = true;
            return options;
        }
        if (flag == "--modem") {
            options.modem = true;
            continue;
        }
        if (i + 1 >= argc) return error = "missing value after " + flag, std::nullopt;
        const std::string value = argv[++i];
        bool ok = true;
        if (flag == "--link") {
            options.link = value;
        } else if (flag == "--baud") {
            ok = parse_number(value, options.baud) && options.baud > 0;
        } else if (flag == "--seed") {
            ok = parse_number(value, options.seed);
        } else if (flag == "--trace") {
            options.trace = value;
        } else if (flag == "--turnaround-ms") {
            ok = parse_number(value, options.turnaround_ms) && options.turnaround_ms >= 0;
        } else if (flag == "--fifo") {
            ok = parse_number(value, options.fifo) && options.fifo >= 1 && options.fifo <= 64;
        } else if (flag == "--late-ms") {
            ok = parse_number(value, options.faults.late_ms) && options.faults.late_ms >= 0;
        } else if (flag == "--number") {
            DialPlan plan;
            ok = parse_dial_plan(value, plan);
            if (ok) options.numbers.push_back(plan);
        } else if (double* rate = fault_rate(options.faults, flag)) {
            ok = parse_probability(value, *rate);
        } else if (flag == "--terminal") {
            TerminalConfig config;
            if (!parse_terminal(value, config, error)) return std::nullopt;
            options.terminals.push_back(std::move(config));
        } else {
            return error = "unknown option " + flag, std::nullopt;
        }
        if (!ok) return error = "bad value for " + flag + ": " + value, std::nullopt;
    }
    if (options.link.empty()) return error = "--link PATH is required", std::nullopt;
    if (options.terminals.empty())
        return error = "at least one --terminal is required", std::nullopt;
    for (std::size_t a = 0; a < options.terminals.size(); ++a) {
        for (std::size_t b = a + 1; b < options.terminals.size(); ++b) {
            if (options.terminals[a].address == options.terminals[b].address) {
                return error = "two terminals share one address", std::nullopt;
            }
        }
    }
    return options;
}

std::string usage_text() {
    return R"(termsim: data-collection terminals (and a Hayes modem) on a pseudo-terminal

termsim --link PATH [--baud RATE] [--seed N] [--trace FILE|-] [--turnaround-ms MS] [--fifo N]
        [--modem] [--number DIGITS=RESULT[:DELAYMS]]...
        [--fault-nak P] [--fault-check P] [--fault-check1 P] [--fault-noise P]
        [--fault-silence P] [--fault-late P] [--late-ms MS] [--fault-carrier P]
        --terminal TERMINAL [--terminal TERMINAL]...
termsim --help | --version

  --link PATH          symlink to the pseudo-terminal's slave (a stale symlink is replaced);
                       the slave path is printed on one line once the line is ready
  --baud RATE          line rate, 10 bits per byte (default 9600)
  --seed N             seed of every fault decision (default 1)
  --trace FILE|-       byte and event trace ("-" for standard error)
  --turnaround-ms MS   pause between the end of a request and the answer (default 0)
  --fifo N             hand the host up to N bytes at once (1..64, default 1: each byte on
                       its own), each group when its last byte has crossed the line, as a
                       UART's receive FIFO does; costs far less CPU for many lines at once
  --modem              a Hayes modem in front of the line (starts in command state)
  --number D=R[:MS]    dial result for the number D: connect, no-carrier, busy, no-answer,
                       after MS milliseconds (default 300); unknown numbers connect
  --fault-KIND P       probability per answer: nak (NAK instead), check (both check
                       characters wrong), check1 (only one of them wrong, high or low at
                       random), noise (1..5 noise bytes first), silence (no answer), late
                       (answer after --late-ms, default 1000), carrier (modem drops the carrier)

TERMINAL = ADDR[,key=value]...   ADDR one character ('A'..'Y', '0'..'6', ...)
  records=FILE        records to poll, one per line (LF or CR LF; empty lines skipped);
                      lines up to 4096 bytes
  escaped-records=FILE  as records=, with \r \n \0 \\ and \xHH standing for their bytes
  generate=COUNTxLEN  COUNT records of LEN printable bytes, led by address and number
  store=DIR           file store: DIR/ram (RAM disk), DIR/rom (flash ROM); default temporary
  sleep=1             start in power saving
  kind=N              0 KD31/KD32, 1 KD35, 2 KD24, 3 VS17, 4 VS19, 5 VS15 (default 0)
  id=TEXT             terminal id text (default by kind)
  firmware=TEXT       firmware version text (default V3.20; empty: none)
  program=NAME        running program (default none)
  upload-mode=1       the terminal reports upload mode
  ram=KB exec=KB      RAM total and executable area, 0..999 (default 640 and 128)
  ems=KB              EMS total, 0..9999 (default 1024 for kinds 3 and 4, else 0)
  flash=KB            flash ROM total, 0..9999 (default 2048)
The byte 0x00 on the line wakes every sleeping terminal.
A terminal with address Z is the Tester device (its store keeps the received files);
without one, a Tester with a temporary store listens at Z.
Stops on SIGTERM or SIGINT, removing the symlink.
)";
}

}  // namespace termsim
