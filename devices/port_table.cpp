#include "port_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantdev {
namespace {

// A path this long would stretch the table: it goes on a line of its own.
constexpr std::size_t kNodeColumnMax = 16;

std::string source_name(const PortChoice& choice, int option_port) {
    if (choice.port == option_port) return "--device";
    switch (choice.source) {
        case PortSource::Environment:
            return "environment";
        case PortSource::Settings:
            return "Vantcom.ini";
        case PortSource::Default:
            break;
    }
    return "default";
}

std::string hex_byte(unsigned char c) {
    constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[c >> 4], kDigits[c & 0xF]};
}

// The length of the valid UTF-8 sequence at text[i], or 0 (overlong forms and surrogates are not
// valid).
std::size_t utf8_length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

// Names come from devices and their makers: control bytes and broken UTF-8 are shown as \xHH,
// never sent to the screen.
std::string visible(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += text[i++];
        } else if (const std::size_t length = c >= 0x80 ? utf8_length(text, i) : 0) {
            shown.append(text, i, length);
            i += length;
        } else {
            shown += "\\x" + hex_byte(c);
            ++i;
        }
    }
    return shown;
}

// Characters on the screen: UTF-8 continuation bytes take no column of their own.
std::size_t columns(const std::string& text) {
    std::size_t count = 0;
    for (const unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

std::string joined(const std::vector<std::string>& parts, const char* between) {
    std::string text;
    for (const auto& part : parts) {
        if (part.empty()) continue;
        text += (text.empty() ? "" : between) + part;
    }
    return text;
}

std::string com_text(const ComMapping& com) {
    return "COM" + std::to_string(com.port) + " (" + com.source + ")";
}

// A row in the table: the cells of its first line, then lines below it that hold the other COMs
// in the first column and the rest (what the device is, its stable name, who holds it) after it.
struct RowText {
    std::vector<std::string> cells;
    std::vector<std::string> more_coms;
    std::vector<std::string> below;
};

RowText row_text(const PortRow& row) {
    const SerialDevice& device = row.device;
    RowText text;
    const std::string node = row.listed ? device.node : row.path;
    const bool node_fits = !node.empty() && columns(node) <= kNodeColumnMax;
    std::string usb_id;
    if (!device.vid.empty() || !device.pid.empty()) usb_id = device.vid + ":" + device.pid;
    text.cells = {row.coms.empty() ? "-" : com_text(row.coms.front()), node_fits ? node : "-",
                  port_state(row), device.driver, usb_id};
    for (std::size_t i = 1; i < row.coms.size(); ++i)
        text.more_coms.push_back(com_text(row.coms[i]));
    // Makers' names run long: they get a line of their own, as does the stable name.
    text.below.push_back(joined({device.manufacturer, device.product,
                                 device.serial.empty() ? "" : "serial " + device.serial},
                                ", "));
    if (!row.variable.empty()) text.below.push_back(row.variable + " is set but empty");
    text.below.push_back(row.url_problem);
    if (row.path != node || (!node.empty() && !node_fits)) text.below.push_back(row.path);
    std::vector<std::string> holders;
    for (const auto& holder : row.holders) {
        holders.push_back(holder.name + " (process " + std::to_string(holder.pid) + ")");
    }
    text.below.push_back(holders.empty() ? "" : "held by " + joined(holders, ", "));
    std::erase(text.below, "");
    for (auto& cell : text.cells) cell = visible(cell);
    for (auto& line : text.below) line = visible(line);
    return text;
}

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width > columns(text) ? width - columns(text) : 0, ' ');
}

std::string without_trailing_blanks(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line + "\n";
}

void append_json_string(std::string& out, const char* key, const std::string& value) {
    out += std::string("\"") + key + "\":\"" + json_escaped(value) + "\"";
}

}  // namespace

std::vector<PortRow> port_rows(const std::vector<SerialDevice>& devices,
                               const std::array<PortChoice, kComPorts>& choices, int option_port) {
    std::vector<PortRow> rows;
    for (const auto& device : devices) {
        PortRow row;
        row.path = device.path();
        row.device = device;
        row.listed = true;
        rows.push_back(std::move(row));
    }
    const std::size_t listed = rows.size();
    for (const auto& choice : choices) {
        const ComMapping com{choice.port, source_name(choice, option_port)};
        if (choice.path.empty()) {
            PortRow row;
            row.coms.push_back(com);
            row.variable = choice.variable;
            rows.push_back(std::move(row));
            continue;
        }
        PortRow* named = nullptr;
        for (std::size_t i = 0; i < rows.size() && named == nullptr; ++i) {
            const bool names_it = i < listed ? names_device(rows[i].device, choice.path)
                                             : rows[i].path == choice.path;
            if (names_it) named = &rows[i];
        }
        if (named == nullptr) {
            // Every PC has /dev/ttyS0..3 without a port behind most of them: not worth a row.
            if (choice.source == PortSource::Default && choice.port != option_port) continue;
            PortRow row;
            row.path = choice.path;
            if (vantlink::is_network_url(row.path)) {
                vantlink::NetworkUrl url;
                row.network = true;
                row.url_problem = vantlink::parse_network_url(row.path, url);
            }
            rows.push_back(std::move(row));
            named = &rows.back();
        }
        named->coms.push_back(com);
    }
    return rows;
}

std::string port_state(const PortRow& row) {
    if (!row.variable.empty()) return "empty";
    if (row.network) return row.url_problem.empty() ? "device server" : "bad URL";
    switch (row.probe_error) {
        case 0:
            return "free";
        case EBUSY:
        case EWOULDBLOCK:
            return "busy";
        case EACCES:
        case EPERM:
            return "no permission";
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return "missing";
        case ENOTTY:
            return "not a serial device";
        default:
            return std::strerror(row.probe_error);
    }
}

std::string port_table_text(const std::vector<PortRow>& rows) {
    if (rows.empty()) return "No serial device found\n";
    std::vector<RowText> texts;
    texts.reserve(rows.size());
    for (const auto& row : rows) texts.push_back(row_text(row));
    const std::vector<std::string> header = {"COM", "NODE", "STATE", "DRIVER", "VID:PID"};
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) widths[c] = columns(header[c]);
    for (const auto& text : texts) {
        for (std::size_t c = 0; c < header.size(); ++c) {
            widths[c] = std::max(widths[c], columns(text.cells[c]));
        }
        for (const auto& com : text.more_coms) widths[0] = std::max(widths[0], columns(com));
    }
    auto line_of = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            line += c + 1 < cells.size() ? padded(cells[c], widths[c] + 2) : cells[c];
        }
        return without_trailing_blanks(line);
    };
    std::string table = line_of(header);
    for (const auto& text : texts) {
        table += line_of(text.cells);
        for (std::size_t i = 0; i < std::max(text.more_coms.size(), text.below.size()); ++i) {
            const std::string com = i < text.more_coms.size() ? text.more_coms[i] : "";
            table += without_trailing_blanks(padded(com, widths[0] + 2) +
                                             (i < text.below.size() ? text.below[i] : ""));
        }
    }
    return table;
}

std::string port_table_json(const std::vector<PortRow>& rows) {
    if (rows.empty()) return "[]\n";
    std::string out = "[\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const PortRow& row = rows[r];
        const SerialDevice& device = row.device;
        out += "  {";
        append_json_string(out, "path", row.path);
        const std::pair<const char*, const std::string*> fields[] = {
            {"node", &device.node},       {"by_id", &device.by_id},
            {"driver", &device.driver},   {"manufacturer", &device.manufacturer},
            {"product", &device.product}, {"serial", &device.serial},
            {"vid", &device.vid},         {"pid", &device.pid}};
        for (const auto& [key, value] : fields) {
            out += ",";
            append_json_string(out, key, *value);
        }
        out += ",\"com\":[";
        for (std::size_t i = 0; i < row.coms.size(); ++i) {
            out += i == 0 ? "{" : ",{";
            append_json_string(out, "port", "COM" + std::to_string(row.coms[i].port));
            out += ",";
            append_json_string(out, "source", row.coms[i].source);
            out += "}";
        }
        out += "],";
        append_json_string(out, "state", port_state(row));
        out += ",\"holders\":[";
        for (std::size_t i = 0; i < row.holders.size(); ++i) {
            out += i == 0 ? "{" : ",{";
            append_json_string(out, "name", row.holders[i].name);
            out += ",\"pid\":" + std::to_string(row.holders[i].pid) + "}";
        }
        out += r + 1 < rows.size() ? "]},\n" : "]}\n";
    }
    return out + "]\n";
}

std::string json_escaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += {'\\', static_cast<char>(c)};
        } else if (c >= 0x20 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = c >= 0x80 ? utf8_length(text, i) : 0) {
            out.append(text, i, length);
            i += length;
            continue;
        } else {
            out += "\\u00" + hex_byte(c);
        }
        ++i;
    }
    return out;
}

}  // namespace vantdev
