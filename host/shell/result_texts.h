#pragma once

#include <string_view>

namespace vantrel {

// The code the host uses for plain notes that carry no result.
inline constexpr int kNoteCode = -1;

// The operator's text for a result code; empty for notes and codes without a text.
std::string_view resultText(int code);

}  // namespace vantrel
