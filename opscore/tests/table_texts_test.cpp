// The texts sent to the terminals, checked against their literal forms.
#include <gtest/gtest.h>

#include "date_time_text.h"
#include "table_texts.h"

namespace {

using opscore::CommSettings;
using opscore::TerminalKind;

TEST(OpscoreTableTexts, CommunicationTableLayoutByTerminalType) {
    CommSettings kd24{TerminalKind::KD24, 6, 8, 'N', 1, 20};
    EXPECT_EQ(opscore::comm_table_text(kd24, 'B'), "718NMB20F");
    CommSettings kd35{TerminalKind::KD35, 9, 7, 'E', 2, 5};
    EXPECT_EQ(opscore::comm_table_text(kd35, 'C'), "A27EMC05");
    CommSettings vs19{TerminalKind::VS19, 0, 8, 'O', 1, 99};
    EXPECT_EQ(opscore::comm_table_text(vs19, '3'), "018OFM3099");
    CommSettings kd31{TerminalKind::KD31_KD32, 1, 8, 'N', 1, 0};
    EXPECT_EQ(opscore::comm_table_text(kd31, 'A'), "218NMA00");
    EXPECT_EQ(opscore::parse_terminal_kind("kd31/kd32"), TerminalKind::KD31_KD32);
    EXPECT_EQ(opscore::parse_terminal_kind("VS15"), TerminalKind::VS15);
    EXPECT_FALSE(opscore::parse_terminal_kind("VS16"));
}

TEST(OpscoreDateTimeText, DateTimeTextAndItsCheck) {
    std::tm t{};
    t.tm_year = 2007 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(opscore::date_time_text(t), "20070105090507");
    EXPECT_TRUE(opscore::is_date_time_text("20240229235959"));
    EXPECT_FALSE(opscore::is_date_time_text("20230229120000"));  // no leap year
    EXPECT_FALSE(opscore::is_date_time_text("20240431120000"));
    EXPECT_FALSE(opscore::is_date_time_text("20241301120000"));
    EXPECT_FALSE(opscore::is_date_time_text("20240101240000"));
    EXPECT_FALSE(opscore::is_date_time_text("2024010112000"));
    EXPECT_FALSE(opscore::is_date_time_text("2024010112000x"));
    EXPECT_TRUE(opscore::is_date_time_text(opscore::date_time_now()));
}

TEST(OpscoreDateTimeText, AGivenTimeMovesOnWithTheDate) {
    EXPECT_EQ(opscore::advanced_date_time("20240101100000", 7), "20240101100007");
    // Across midnight the date follows instead of the time turning negative or wrapping alone.
    EXPECT_EQ(opscore::advanced_date_time("20241231235958", 5), "20250101000003");
    EXPECT_EQ(opscore::advanced_date_time("20240228235959", 1), "20240229000000");
}

}  // namespace
