#include "terminal_kind.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using opscore::kind_from_terminal_id;
using opscore::TerminalKind;

TEST(OpscoreKindFromTerminalId, FourthCharacterFirstThenThird) {
    const std::pair<const char*, TerminalKind> cases[] = {
        {"KT05-A0", TerminalKind::KD31_KD32},
        {"KT08-A1", TerminalKind::KD35},
        {"VT71-C1", TerminalKind::VS17},
        {"VT61-D1", TerminalKind::VS15},
        // A "5" or "8" in fourth place decides whatever the third says.
        {"xx75", TerminalKind::KD31_KD32},
        {"xx65", TerminalKind::KD31_KD32},
        {"xx78", TerminalKind::KD35},
        {"xx68", TerminalKind::KD35},
        // Digits elsewhere name no model.
        {"5587", TerminalKind::KD31_KD32},
        {"KT24-B1", TerminalKind::KD31_KD32},
        {"xx7", TerminalKind::VS17},
    };
    for (const auto& [id, kind] : cases) EXPECT_EQ(kind_from_terminal_id(id), kind) << id;
}

TEST(OpscoreKindFromTerminalId, ShortOrOddAnswersGiveTheDefaultModel) {
    for (const char* id : {"", "5", "78", "x6", "   "})
        EXPECT_EQ(kind_from_terminal_id(id), TerminalKind::KD31_KD32) << id;
    // Nothing past the answer's end is read.
    EXPECT_EQ(kind_from_terminal_id(std::string_view("ab75", 2)), TerminalKind::KD31_KD32);
    EXPECT_EQ(kind_from_terminal_id(std::string_view("ab75", 3)), TerminalKind::VS17);
}

}  // namespace
