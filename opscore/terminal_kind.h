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

// The model a terminal's identity answer names: the fourth character "5" is a KD31/KD32 and "8"
// a KD35, else the third "7" a VS17 and "6" a VS15. Any other answer, a short one too, gives
// KD31/KD32, the model that needs nothing special.
TerminalKind kind_from_terminal_id(std::string_view id);

}  // namespace opscore
