#include "line_status.h"

#include <cstdio>
#include <optional>

#include "input_file.h"

namespace opscore {

namespace {

constexpr char kFormat[] = "vantrel-status 1";
constexpr int kDepthMax = 4;  // the status, its terminals, one terminal
constexpr std::size_t kStringMax = 4096;

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// Just enough JSON for the status: objects, arrays, strings, whole numbers, true and false.
struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool flag = false;
    std::int64_t integer = 0;
    std::string text;
    std::vector<Value> items;
    std::vector<std::string> keys;  // of an object, parallel to items

    const Value* member(std::string_view key) const {
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key) return &items[i];
        return nullptr;
    }
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<Value> document(std::string& why) {
        Value value;
        if (!parse(value, 0) || (skipBlanks(), at_ != text_.size())) {
            why = why_.empty() ? "stray text after the status" : why_;
            return std::nullopt;
        }
        return value;
    }

private:
    bool fail(const char* why) {
        if (why_.empty()) why_ = why;
        return false;
    }
    // Text that ends where more must follow was cut short; anything else there is no JSON.
    bool bad() {
        skipBlanks();
        return fail(at_ >= text_.size() ? "cut short" : "not JSON");
    }
    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }
    bool take(char c) {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        const std::string_view rest = text_.substr(at_, w.size());
        if (rest != w) return fail(w.starts_with(rest) ? "cut short" : "not JSON");
        at_ += w.size();
        return true;
    }

    bool parse(Value& value, int depth) {
        skipBlanks();
        if (at_ >= text_.size()) return fail("cut short");
        const char c = text_[at_];
        if (c == '{' || c == '[') {
            if (depth >= kDepthMax) return fail("nested too deep");
            return c == '{' ? object(value, depth) : array(value, depth);
        }
        if (c == '"') {
            value.kind = Value::Kind::String;
            return string(value.text);
        }
        if (c == 't' || c == 'f') {
            value.kind = Value::Kind::Bool;
            value.flag = c == 't';
            return word(value.flag ? "true" : "false");
        }
        if (c == 'n') return word("null");
        value.kind = Value::Kind::Number;
        return integer(value.integer);
    }

    bool object(Value& value, int depth) {
        value.kind = Value::Kind::Object;
        ++at_;
        if (take('}')) return true;
        do {
            std::string key;
            skipBlanks();
            if (!string(key)) return false;
            if (!take(':')) return bad();
            if (value.items.size() >= kLineStatusTerminalsMax) return fail("too many keys");
            // Readers disagree on which of two values counts: neither does.
            if (value.member(key)) return fail("a key given twice");
            value.keys.push_back(std::move(key));
            if (!parse(value.items.emplace_back(), depth + 1)) return false;
        } while (take(','));
        return take('}') || bad();
    }

    bool array(Value& value, int depth) {
        value.kind = Value::Kind::Array;
        ++at_;
        if (take(']')) return true;
        do {
            if (value.items.size() >= kLineStatusTerminalsMax) return fail("too many terminals");
            if (!parse(value.items.emplace_back(), depth + 1)) return false;
        } while (take(','));
        return take(']') || bad();
    }

    bool integer(std::int64_t& out) {
        const bool negative = at_ < text_.size() && text_[at_] == '-';
        if (negative) ++at_;
        std::size_t digits = 0;
        std::int64_t value = 0;
        for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_, ++digits) {
            if (digits == 18) return fail("a number out of range");
            value = value * 10 + (text_[at_] - '0');
        }
        if (digits == 0) return bad();
        out = negative ? -value : value;
        return true;
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool string(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') return bad();
        ++at_;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (out.size() >= kStringMax) return fail("a text too long");
            const char c = text_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) return fail("a control character in a text");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) break;
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i, ++at_) {
                        const int d = at_ < text_.size() ? hexDigit(text_[at_]) : -1;
                        if (d < 0) return bad();
                        code = code * 16 + static_cast<unsigned>(d);
                    }
                    // Only what the writer escapes comes back as itself; the rest is marked.
                    out += code < 0x80 ? static_cast<char>(code) : '?';
                    break;
                }
                default:
                    return fail("not JSON");
            }
        }
        if (at_ >= text_.size()) return fail("cut short");
        ++at_;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::string why_;
};

// Typed reads of members; a missing member keeps the default, a wrong type fails.
struct Reader {
    const Value& object;
    std::string& why;

    bool integer(std::string_view key, std::int64_t& out) const {
        const Value* v = object.member(key);
        if (!v) return true;
        if (v->kind == Value::Kind::Number) return out = v->integer, true;
        return wrong(key);
    }
    bool text(std::string_view key, std::string& out) const {
        const Value* v = object.member(key);
        if (!v) return true;
        if (v->kind == Value::Kind::String) return out = v->text, true;
        return wrong(key);
    }
    bool flag(std::string_view key, bool& out) const {
        const Value* v = object.member(key);
        if (!v) return true;
        if (v->kind == Value::Kind::Bool) return out = v->flag, true;
        return wrong(key);
    }
    bool wrong(std::string_view key) const {
        why = "\"" + std::string(key) + "\" has the wrong type";
        return false;
    }
};

bool readTerminal(const Value& value, TerminalHealth& t, std::string& why) {
    if (value.kind != Value::Kind::Object) return why = "a terminal is not an object", false;
    const Reader in{value, why};
    std::string address;
    if (!in.text("address", address)) return false;
    if (address.size() != 1) return why = "a terminal address is not one character", false;
    t.address = address[0];
    return in.integer("records", t.records) && in.integer("timeouts", t.timeouts) &&
           in.integer("naks", t.naks) && in.integer("errors", t.errors) &&
           in.integer("last_record_at", t.lastRecordAt) && in.text("last_result", t.lastResult);
}

// Prometheus label values: backslash, quote and line end escaped.
std::string labelValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            (void)std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string lineStatusJson(const LineStatus& s) {
    std::string out = "{\n";
    out += "  \"format\": " + jsonString(kFormat) + ",\n";
    out += "  \"version\": " + jsonString(s.version) + ",\n";
    out += "  \"pid\": " + number(s.pid) + ",\n";
    out += "  \"started_at\": " + number(s.startedAt) + ",\n";
    out += "  \"updated_at\": " + number(s.updatedAt) + ",\n";
    out += "  \"line\": " + jsonString(s.line) + ",\n";
    out += "  \"device\": " + jsonString(s.device) + ",\n";
    out += std::string("  \"line_up\": ") + (s.lineUp ? "true" : "false") + ",\n";
    out += "  \"line_since\": " + number(s.lineSince) + ",\n";
    out += "  \"command\": " + jsonString(s.command) + ",\n";
    out += "  \"token_waits\": " + number(s.tokenWaits) + ",\n";
    out += "  \"token_wait_ms\": " + number(s.tokenWaitMs) + ",\n";
    out += "  \"terminals\": [";
    for (std::size_t i = 0; i < s.terminals.size(); ++i) {
        const TerminalHealth& t = s.terminals[i];
        out += i ? ",\n    " : "\n    ";
        out += "{\"address\": " + jsonString(std::string(1, t.address)) +
               ", \"records\": " + number(t.records) + ", \"timeouts\": " + number(t.timeouts) +
               ", \"naks\": " + number(t.naks) + ", \"errors\": " + number(t.errors) +
               ", \"last_record_at\": " + number(t.lastRecordAt) +
               ", \"last_result\": " + jsonString(t.lastResult) + "}";
    }
    out += s.terminals.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

bool parseLineStatus(std::string_view text, LineStatus& status, std::string& why) {
    if (text.size() > kLineStatusMax) return why = "too large", false;
    const auto root = Parser(text).document(why);
    if (!root) return false;
    if (root->kind != Value::Kind::Object) return why = "not a status", false;
    const Reader in{*root, why};
    std::string format;
    if (!in.text("format", format)) return false;
    if (format != kFormat) return why = "not a status", false;
    LineStatus s;
    if (!(in.text("version", s.version) && in.integer("pid", s.pid) &&
          in.integer("started_at", s.startedAt) && in.integer("updated_at", s.updatedAt) &&
          in.text("line", s.line) && in.text("device", s.device) && in.flag("line_up", s.lineUp) &&
          in.integer("line_since", s.lineSince) && in.text("command", s.command) &&
          in.integer("token_waits", s.tokenWaits) && in.integer("token_wait_ms", s.tokenWaitMs)))
        return false;
    if (s.pid <= 0 || s.pid > 0x7fffffff) return why = "no process id", false;
    if (const Value* terminals = root->member("terminals")) {
        if (terminals->kind != Value::Kind::Array) return in.wrong("terminals");
        for (const Value& item : terminals->items)
            if (!readTerminal(item, s.terminals.emplace_back(), why)) return false;
    }
    status = std::move(s);
    return true;
}

bool readLineStatusFile(const std::string& path, LineStatus& status, std::string& why) {
    InputFile file(path);
    if (!file.is_open()) return why = file.problem(), false;
    std::string text(kLineStatusMax + 1, '\0');
    try {
        file.stream().read(text.data(), static_cast<std::streamsize>(text.size()));
    } catch (const std::ios_base::failure&) {
        return why = "cannot be read", false;
    }
    if (file.stream().bad()) return why = "cannot be read", false;
    text.resize(static_cast<std::size_t>(file.stream().gcount()));
    return parseLineStatus(text, status, why);
}

std::string textfileName(std::string_view line) {
    std::string name = "vantrel_";
    for (const char c : line) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += kept ? c : '_';
    }
    return name + ".prom";
}

std::string lineStatusTextfile(const LineStatus& s) {
    const std::string line = "line=\"" + labelValue(s.line) + "\"";
    std::string out;
    const auto family = [&out](const char* name, const char* type, const char* help) {
        out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    };
    const auto lineSample = [&](const char* name, std::int64_t value) {
        out += std::string(name) + "{" + line + "} " + number(value) + "\n";
    };
    family("vantrel_line_up", "gauge", "1 while the line is up, 0 while it is lost.");
    lineSample("vantrel_line_up", s.lineUp ? 1 : 0);
    family("vantrel_line_state_since_seconds", "gauge", "When the line went up or was lost.");
    lineSample("vantrel_line_state_since_seconds", s.lineSince);
    family("vantrel_status_updated_seconds", "gauge", "When these figures were taken.");
    lineSample("vantrel_status_updated_seconds", s.updatedAt);
    family("vantrel_token_waits_total", "counter", "Takes of the token that had to wait.");
    lineSample("vantrel_token_waits_total", s.tokenWaits);
    family("vantrel_token_wait_seconds_total", "counter", "Time spent waiting for the token.");
    out += "vantrel_token_wait_seconds_total{" + line + "} " + number(s.tokenWaitMs / 1000) + "." +
           std::string(1, static_cast<char>('0' + s.tokenWaitMs % 1000 / 100)) + "\n";
    struct PerTerminal {
        const char* name;
        const char* type;
        const char* help;
        std::int64_t TerminalHealth::*value;
    };
    static constexpr PerTerminal kFamilies[] = {
        {"vantrel_records_total", "counter", "Records stored.", &TerminalHealth::records},
        {"vantrel_timeouts_total", "counter", "Polls without an answer.",
         &TerminalHealth::timeouts},
        {"vantrel_naks_total", "counter", "Polls answered NAK.", &TerminalHealth::naks},
        {"vantrel_errors_total", "counter", "Failed checks and other failed polls.",
         &TerminalHealth::errors},
        {"vantrel_last_record_seconds", "gauge", "When the last record came; 0 never.",
         &TerminalHealth::lastRecordAt},
    };
    for (const PerTerminal& f : kFamilies) {
        family(f.name, f.type, f.help);
        for (const TerminalHealth& t : s.terminals)
            out += std::string(f.name) + "{" + line + ",address=\"" +
                   labelValue(std::string(1, t.address)) + "\"} " + number(t.*f.value) + "\n";
    }
    return out;
}

}  // namespace opscore
