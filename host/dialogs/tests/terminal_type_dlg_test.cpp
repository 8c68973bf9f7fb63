#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>

#include "terminal_type_dlg.h"

using namespace vantrel;

TEST(HostTerminalTypeDialog, ShowsAndReturnsTheChoice) {
    CTerminalTypeDlg fresh(TerminalTypeChoice{}, nullptr);
    EXPECT_EQ(fresh.windowTitle(), "Terminal type select");
    EXPECT_EQ(fresh.choice().terminalType, -1);
    EXPECT_EQ(fresh.choice().useDefaultDelays, 0);

    CTerminalTypeDlg dialog(TerminalTypeChoice{1, 2}, nullptr);
    EXPECT_EQ(dialog.choice().terminalType, 2);
    EXPECT_EQ(dialog.choice().useDefaultDelays, 1);
    const auto radios = dialog.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 6);
    EXPECT_EQ(radios[0]->text(), "KD31/KD32");
    EXPECT_EQ(radios[5]->text(), "VS15");
    radios[4]->click();
    dialog.findChild<QCheckBox*>()->click();
    EXPECT_EQ(dialog.choice().terminalType, 4);
    EXPECT_EQ(dialog.choice().useDefaultDelays, 0);
}

TEST(HostTerminalTypeDialog, DefaultDelaysByFamily) {
    HostSettings settings;
    settings.Time_out = 999;
    settings.ESC_delay = 1;
    settings.NAK_delay = 2;
    applyTerminalTypeChoice({0, 5}, settings);  // unticked: timing kept
    EXPECT_EQ(settings.Terminal_type, TerminalType::VS15);
    EXPECT_EQ(settings.Time_out, 999);
    EXPECT_FALSE(settings.Power_Saving);

    applyTerminalTypeChoice({1, 5}, settings);
    EXPECT_EQ(settings.Time_out, 500);
    EXPECT_EQ(settings.ESC_delay, 30);
    EXPECT_EQ(settings.NAK_delay, 100);
    EXPECT_TRUE(settings.Power_Saving);

    applyTerminalTypeChoice({1, 2}, settings);
    EXPECT_EQ(settings.Terminal_type, TerminalType::KD24);
    EXPECT_EQ(settings.Time_out, 400);
    EXPECT_EQ(settings.ESC_delay, 10);
    EXPECT_EQ(settings.NAK_delay, 30);
    EXPECT_FALSE(settings.Power_Saving);

    applyTerminalTypeChoice({0, -1}, settings);  // no type chosen keeps the stored one
    EXPECT_EQ(settings.Terminal_type, TerminalType::KD24);
}
