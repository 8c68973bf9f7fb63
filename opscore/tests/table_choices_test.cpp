// The bar-code and device tables built from the operator's choices, and the one-character
// settings, checked byte for byte against what each terminal model takes.
#include <gtest/gtest.h>

#include "table_texts.h"
#include "terminal_settings.h"

namespace {

using opscore::BarCodeChoice;
using opscore::Code39;
using opscore::device_table_text;
using opscore::Kd24DeviceChoice;
using opscore::Kd35DeviceChoice;
using opscore::TerminalKind;
using opscore::Vs17DeviceChoice;

// Every symbology ON except the ones a test switches off.
BarCodeChoice allOn() {
    return {};
}

TEST(OpscoreBarTable, LengthLettersAndPlacesPerModel) {
    EXPECT_EQ(bar_table_text(TerminalKind::KD31_KD32, allOn()), "NNNNN");
    EXPECT_EQ(bar_table_text(TerminalKind::KD35, allOn()), "NNNNNNNN");
    EXPECT_EQ(bar_table_text(TerminalKind::VS15, allOn()), "EEEEEEEE");

    // One symbology off at a time shows where each model keeps it.
    struct Case {
        bool BarCodeChoice::*symbology;
        const char* kd31;
        const char* kd24;
        const char* vs17;
    };
    const Case cases[] = {
        {&BarCodeChoice::i2of5, "NFNNN", "NFNNNNNN", "EDEEEEEE"},
        {&BarCodeChoice::codabar, "NNFNN", "NNFNNNNN", "EEDEEEEE"},
        {&BarCodeChoice::ean_upc, "NNNFN", "NNNFNNNN", "EEEDEEEE"},
        {&BarCodeChoice::code128, "NNNNF", "NNNNFNNN", "EEEEDEEE"},
        {&BarCodeChoice::msi, "NNNNN", "NNNNNFNN", "EEEEEEEE"},
        {&BarCodeChoice::code11, "NNNNN", "NNNNNNFN", "EEEEEEEE"},
        {&BarCodeChoice::code93, "NNNNN", "NNNNNNNF", "EEEEEEDE"},
        {&BarCodeChoice::ean128, "NNNNN", "NNNNNNNN", "EEEEEDEE"},
        {&BarCodeChoice::trioptic, "NNNNN", "NNNNNNNN", "EEEEEEED"},
    };
    for (const auto& c : cases) {
        BarCodeChoice choice = allOn();
        choice.*c.symbology = false;
        EXPECT_EQ(bar_table_text(TerminalKind::KD31_KD32, choice), c.kd31) << c.kd31;
        EXPECT_EQ(bar_table_text(TerminalKind::KD24, choice), c.kd24) << c.kd24;
        EXPECT_EQ(bar_table_text(TerminalKind::VS17, choice), c.vs17) << c.vs17;
    }
}

TEST(OpscoreBarTable, Code39FullIsFOnEveryModelAndABadChoiceGivesNothing) {
    BarCodeChoice choice = allOn();
    choice.code39 = Code39::Full;
    EXPECT_EQ(bar_table_text(TerminalKind::KD31_KD32, choice), "FNNNN");
    EXPECT_EQ(bar_table_text(TerminalKind::KD35, choice), "FNNNNNNN");
    EXPECT_EQ(bar_table_text(TerminalKind::VS19, choice), "FEEEEEEE");
    choice.code39 = Code39::Off;
    EXPECT_EQ(bar_table_text(TerminalKind::KD35, choice), "FNNNNNNN");  // the same as FULL
    EXPECT_EQ(bar_table_text(TerminalKind::VS19, choice), "DEEEEEEE");

    choice.code39 = static_cast<Code39>(3);
    EXPECT_EQ(bar_table_text(TerminalKind::KD35, choice), "");
    EXPECT_EQ(bar_table_text(static_cast<TerminalKind>(6), allOn()), "");
    EXPECT_EQ(bar_table_text(static_cast<TerminalKind>(-1), allOn()), "");
}

TEST(OpscoreDeviceTable, Kd35AndKd31DifferInTheScannerLetterOnly) {
    const char* kd35Scanner = "PAMD";
    const char* kd31Scanner = "NFFF";
    for (int scanner = 0; scanner < 4; ++scanner) {
        Kd35DeviceChoice choice;
        choice.scanner = scanner;
        EXPECT_EQ(device_table_text(TerminalKind::KD35, choice),
                  std::string(1, kd35Scanner[scanner]) + "BNNN0");
        EXPECT_EQ(device_table_text(TerminalKind::KD31_KD32, choice),
                  std::string(1, kd31Scanner[scanner]) + "BNNN0");
    }
    // Badge MSR, back-light off, buzzer off, partial lock, medium volume.
    EXPECT_EQ(device_table_text(TerminalKind::KD35, {3, 1, 1, 1, 1, 2}), "DMFFP9");
    EXPECT_EQ(device_table_text(TerminalKind::KD35, {0, 2, 0, 0, 2, 1}), "PDNNK9");

    EXPECT_EQ(device_table_text(TerminalKind::KD35, {4, 0, 0, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(device_table_text(TerminalKind::KD35, {0, 0, 0, 0, 3, 0}), std::nullopt);
    EXPECT_EQ(device_table_text(TerminalKind::KD35, {0, 0, 0, 0, 0, -1}), std::nullopt);
    // A table of another family is not built by this one.
    EXPECT_EQ(device_table_text(TerminalKind::KD24, Kd35DeviceChoice{}), std::nullopt);
    EXPECT_EQ(device_table_text(TerminalKind::VS17, Kd35DeviceChoice{}), std::nullopt);
}

TEST(OpscoreDeviceTable, Kd24StartsFromItsTemplate) {
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{}), "ABNN7N");
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{1, 0, 7}), "AFFN7N");  // back-light off
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{0, 1, 0}), "ABNN0F");
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{0, 0, 8}), std::nullopt);
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{0, 0, -1}), std::nullopt);
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{2, 0, 3}), std::nullopt);
    EXPECT_EQ(device_table_text(Kd24DeviceChoice{0, 2, 3}), std::nullopt);
}

TEST(OpscoreDeviceTable, VsHasEightPlacesWithTwoBlanks) {
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{}), "PNN 0N5 ");
    // Pen, serial off, back-light off, buzzer off, high, auto-off 9.
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{1, 1, 1, 1, 2, 9}), "AFF 9F9 ");
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{2, 0, 0, 0, 1, 0}), "DNN 9N0 ");
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{3, 0, 0, 0, 0, 5}), std::nullopt);
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{0, 0, 0, 0, 0, 10}), std::nullopt);
    EXPECT_EQ(device_table_text(Vs17DeviceChoice{0, 0, 0, 0, 0, -1}), std::nullopt);
}

TEST(OpscoreTerminalSettings, KeypadBeeperAndFontCharacters) {
    using namespace opscore;
    EXPECT_EQ(keypad_character(KeypadSetting::Lock), '0');
    EXPECT_EQ(keypad_character(KeypadSetting::Unlock), '1');
    EXPECT_EQ(keypad_character(KeypadSetting::PartialLock), '2');
    EXPECT_EQ(keypad_character(KeypadSetting::RestoreKeymap), 'A');
    EXPECT_EQ(beeper_volume(BeeperLevel::Low), 0);
    EXPECT_EQ(beeper_volume(BeeperLevel::Medium), 5);
    EXPECT_EQ(beeper_volume(BeeperLevel::High), 9);
    EXPECT_EQ(system_font_character(SystemFont::All), '0');
    EXPECT_EQ(system_font_character(SystemFont::Font16x8), '1');
    EXPECT_EQ(system_font_character(SystemFont::Font32x16), '2');
}

}  // namespace
