// The texts vantctl builds for the terminals, checked against their literal forms.
#include <gtest/gtest.h>

#include <sstream>

#include "kd24_config.h"
#include "table_texts.h"
#include "terminal_text.h"
#include "terminal_visit.h"

namespace {

using vantctl::CommSettings;
using vantctl::TerminalKind;

TEST(VantctlTexts, CommunicationTableLayoutByTerminalType) {
    CommSettings kd24{TerminalKind::KD24, 6, 8, 'N', 1, 20};
    EXPECT_EQ(vantctl::comm_table_text(kd24, 'B'), "718NMB20F");
    CommSettings kd35{TerminalKind::KD35, 9, 7, 'E', 2, 5};
    EXPECT_EQ(vantctl::comm_table_text(kd35, 'C'), "A27EMC05");
    CommSettings vs19{TerminalKind::VS19, 0, 8, 'O', 1, 99};
    EXPECT_EQ(vantctl::comm_table_text(vs19, '3'), "018OFM3099");
    CommSettings kd31{TerminalKind::KD31_KD32, 1, 8, 'N', 1, 0};
    EXPECT_EQ(vantctl::comm_table_text(kd31, 'A'), "218NMA00");
    EXPECT_EQ(vantctl::parse_terminal_kind("kd31/kd32"), TerminalKind::KD31_KD32);
    EXPECT_EQ(vantctl::parse_terminal_kind("VS15"), TerminalKind::VS15);
    EXPECT_FALSE(vantctl::parse_terminal_kind("VS16"));
}

TEST(VantctlTexts, DateTimeTextAndItsCheck) {
    std::tm t{};
    t.tm_year = 2007 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    EXPECT_EQ(vantctl::date_time_text(t), "20070105090507");
    EXPECT_TRUE(vantctl::is_date_time_text("20240229235959"));
    EXPECT_FALSE(vantctl::is_date_time_text("20230229120000"));  // no leap year
    EXPECT_FALSE(vantctl::is_date_time_text("20240431120000"));
    EXPECT_FALSE(vantctl::is_date_time_text("20241301120000"));
    EXPECT_FALSE(vantctl::is_date_time_text("20240101240000"));
    EXPECT_FALSE(vantctl::is_date_time_text("2024010112000"));
    EXPECT_FALSE(vantctl::is_date_time_text("2024010112000x"));
    EXPECT_TRUE(vantctl::is_date_time_text(vantctl::date_time_now()));
}

TEST(VantctlTexts, AGivenTimeMovesOnWithTheDate) {
    EXPECT_EQ(vantctl::advanced_date_time("20240101100000", 7), "20240101100007");
    // Across midnight the date follows instead of the time turning negative or wrapping alone.
    EXPECT_EQ(vantctl::advanced_date_time("20241231235958", 5), "20250101000003");
    EXPECT_EQ(vantctl::advanced_date_time("20240228235959", 1), "20240229000000");
}

TEST(VantctlTexts, EveryControlByteIsShownAndNothingElse) {
    // C0, DEL and C1 (0x80..0x9F) are controls; 0xA0 and above are characters.
    EXPECT_EQ(vantctl::visible_text(std::string("a\0\t\x1f \x7e\x7f\x80\x9f\xa0\xe9", 11)),
              "a\\x00\\x09\\x1f ~\\x7f\\x80\\x9f\xa0\xe9");
}

std::string record_of(const std::string& file) {
    std::istringstream in(file);
    return vantctl::kd24_record(in);
}

TEST(VantctlKd24, RecordBytes) {
    const std::string record =
        record_of("FIELD_DELIMETER=44\nRECORD_DELIMETER=13\nFIELD=2,(CODE/10/A),(QTY/5/B)\n");
    EXPECT_EQ(record, std::string("\x2C\x0D"
                                  "BCODE    JAQTY     EB"));
    EXPECT_EQ(record.size(), 23u);
    // A name of 10 characters is cut to 8.
    EXPECT_EQ(record_of("FIELD_DELIMETER=1\nRECORD_DELIMETER=2\nFIELD=x,(LONGNAME12/1/Z)\n"),
              std::string("\x01\x02"
                          "ALONGNAMEAZ"));
}

TEST(VantctlKd24, KeyLookupFollowsTheFileRules) {
    std::istringstream in(
        "field_delimeter = 44\r\n"
        "  FIELD=9,(NOT/1/A)\r\n"
        "=13\r\n"
        "FIELD=x=2,(A/1/B)\r\n"
        "FIELD=3,(LATER/1/C)\r\n");
    EXPECT_EQ(vantctl::config_value(in, "FIELD_DELIMETER"), " 44");
    EXPECT_EQ(vantctl::config_value(in, "field"), "2,(A/1/B)");  // after the last "="
    EXPECT_FALSE(vantctl::config_value(in, "RECORD_DELIMETER"));
}

TEST(VantctlKd24, RecordsThatCannotTravelAreRefused) {
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\n";
    EXPECT_THROW(record_of(head + "FIELD=2\n"), vantctl::CommandFailure);
    EXPECT_THROW(record_of(head), vantctl::CommandFailure);
    std::string ten = "FIELD=0";
    for (int i = 0; i < 10; ++i) ten += ",(F/1/A)";
    EXPECT_THROW(record_of(head + ten + "\n"), vantctl::CommandFailure);
    EXPECT_NO_THROW(record_of(head + ten.substr(0, ten.size() - 8) + "\n"));
    // A delimiter of 0 or a missing one would end the record at its first byte.
    EXPECT_THROW(record_of("RECORD_DELIMETER=13\nFIELD=2,(A/1/B)\n"), vantctl::CommandFailure);
    EXPECT_THROW(record_of(head + "FIELD=2,(A/1)\n"), vantctl::CommandFailure);
    EXPECT_THROW(record_of(head + "FIELD=2,(A/200/B)\n"), vantctl::CommandFailure);
}

}  // namespace
