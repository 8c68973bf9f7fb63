// The terminal models, which decide table layouts, pauses and prompts.
#pragma once

#include <optional>
#include <string_view>

namespace opscore {

// Numbered as the terminal-type setting numbers them.
enum class TerminalKind { KD31_KD32 = 0, KD35 = 1, KD24 = 2, VS17 = 3, VS19 = 4, VS15 = 5 };
inline constexpr int kTerminalKinds = 6;

// The model's name as the settings file stores it: "KD31/KD32", "KD35", ... "VS15".
std::string_view terminal_kind_name(TerminalKind kind);

// A model name in any case: KD31, KD32 or KD31/KD32, KD35, KD24, VS17, VS19, VS15.
std::optional<TerminalKind> parse_terminal_kind(std::string_view name);

// The VS models share table letters and layouts that differ from the KD models'.
bool is_vs_kind(TerminalKind kind);

}  // namespace opscore
