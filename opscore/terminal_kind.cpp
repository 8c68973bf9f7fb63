#include "terminal_kind.h"

#include <cctype>
#include <string>

namespace opscore {

std::optional<TerminalKind> parse_terminal_kind(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "KD31" || upper == "KD32" || upper == "KD31/KD32") return TerminalKind::KD31_KD32;
    if (upper == "KD35") return TerminalKind::KD35;
    if (upper == "KD24") return TerminalKind::KD24;
    if (upper == "VS17") return TerminalKind::VS17;
    if (upper == "VS19") return TerminalKind::VS19;
    if (upper == "VS15") return TerminalKind::VS15;
    return std::nullopt;
}

std::string_view terminal_kind_name(TerminalKind kind) {
    static constexpr std::string_view kNames[kTerminalKinds] = {"KD31/KD32", "KD35", "KD24",
                                                                "VS17",      "VS19", "VS15"};
    const auto index = static_cast<int>(kind);
    return index >= 0 && index < kTerminalKinds ? kNames[index] : kNames[0];
}

bool is_vs_kind(TerminalKind kind) {
    return kind == TerminalKind::VS17 || kind == TerminalKind::VS19 || kind == TerminalKind::VS15;
}

TerminalKind kind_from_terminal_id(std::string_view id) {
    const char fourth = id.size() > 3 ? id[3] : '\0';
    const char third = id.size() > 2 ? id[2] : '\0';
    if (fourth == '5') return TerminalKind::KD31_KD32;
    if (fourth == '8') return TerminalKind::KD35;
    if (third == '7') return TerminalKind::VS17;
    if (third == '6') return TerminalKind::VS15;
    return TerminalKind::KD31_KD32;
}

}  // namespace opscore
