// KD24 configuration files: the key rules and the record's bytes.
#include "kd24_config.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Kind = opscore::Kd24Error::Kind;

opscore::Kd24Record record_of(const std::string& file) {
    std::istringstream in(file);
    return opscore::kd24_record(in);
}

// The kind of error a file gives, or "none" when it makes a record.
std::string refusal_of(const std::string& file) {
    const auto record = record_of(file);
    if (!record.error) return "none";
    EXPECT_TRUE(record.bytes.empty());
    EXPECT_FALSE(record.error->message.empty());
    switch (record.error->kind) {
        case Kind::LineTooLong:
            return "line too long";
        case Kind::ReadError:
            return "read error";
        case Kind::NoFields:
            return "no fields";
        case Kind::TooManyFields:
            return "too many fields";
        case Kind::BadByte:
            return "bad byte";
        case Kind::BadField:
            return "bad field";
    }
    return "?";
}

TEST(OpscoreKd24, RecordBytes) {
    const auto record =
        record_of("FIELD_DELIMETER=44\nRECORD_DELIMETER=13\nFIELD=2,(CODE/10/A),(QTY/5/B)\n");
    ASSERT_FALSE(record.error) << record.error->message;
    EXPECT_EQ(record.bytes, std::string("\x2C\x0D"
                                        "BCODE    JAQTY     EB"));
    EXPECT_EQ(record.bytes.size(), 23u);
    // A name of 10 characters is cut to 8.
    EXPECT_EQ(record_of("FIELD_DELIMETER=1\nRECORD_DELIMETER=2\nFIELD=x,(LONGNAME12/1/Z)\n").bytes,
              std::string("\x01\x02"
                          "ALONGNAMEAZ"));
    // A FIELD line longer than a terminal's 179-character pieces is read whole.
    std::string nine = "FIELD_DELIMETER=1\nRECORD_DELIMETER=2\nFIELD=9";
    for (int i = 0; i < 9; ++i) nine += ",(LONGNAME_NUMBER_" + std::to_string(i) + "/10/A)";
    EXPECT_EQ(record_of(nine + "\n").bytes.substr(83), "LONGNAMEJA");
}

TEST(OpscoreKd24, KeyLookupFollowsTheFileRules) {
    std::istringstream in(
        "field_delimeter = 44\r\n"
        "  FIELD=9,(NOT/1/A)\r\n"
        "=13\r\n"
        "FIELD=x=2,(A/1/B)\r\n"
        "FIELD=3,(LATER/1/C)\r\n");
    EXPECT_EQ(opscore::config_value(in, "FIELD_DELIMETER").value, " 44");
    EXPECT_EQ(opscore::config_value(in, "field").value, "2,(A/1/B)");  // after the last "="
    const auto missing = opscore::config_value(in, "RECORD_DELIMETER");
    EXPECT_FALSE(missing.value);
    EXPECT_FALSE(missing.error);
}

TEST(OpscoreKd24, RecordsThatCannotTravelAreRefused) {
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\n";
    EXPECT_EQ(refusal_of(head + "FIELD=2\n"), "no fields");
    EXPECT_EQ(refusal_of(head), "no fields");
    EXPECT_EQ(refusal_of(""), "no fields");  // not blamed on the missing delimiters
    std::string ten = "FIELD=0";
    for (int i = 0; i < 10; ++i) ten += ",(F/1/A)";
    EXPECT_EQ(refusal_of(head + ten + "\n"), "too many fields");
    EXPECT_NE(record_of(head + ten + "\n").error->message.find("10 fields"), std::string::npos);
    // A FIELD line that starts with a blank has no key: the file has no field list.
    EXPECT_EQ(refusal_of(head + " FIELD=2,(A/1/B)\n"), "no fields");
    EXPECT_EQ(refusal_of(head + ten.substr(0, ten.size() - 8) + "\n"), "none");
    // A delimiter of 0 or a missing one would end the record at its first byte.
    EXPECT_EQ(refusal_of("RECORD_DELIMETER=13\nFIELD=2,(A/1/B)\n"), "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/200/B)\n"), "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/1)\n"), "bad field");
}

TEST(OpscoreKd24, DelimitersMustBeOneRecordByte) {
    const std::string fields = "FIELD=2,(A/1/B)\n";
    for (const char* value : {"0", "abc", "", "256", "-1", "-0"}) {
        EXPECT_EQ(refusal_of(std::string("FIELD_DELIMETER=") + value + "\nRECORD_DELIMETER=13\n" +
                             fields),
                  "bad byte")
            << "field delimiter " << value;
        EXPECT_EQ(refusal_of(std::string("FIELD_DELIMETER=44\nRECORD_DELIMETER=") + value + "\n" +
                             fields),
                  "bad byte")
            << "record delimiter " << value;
    }
    // Read as a text-to-number conversion reads it: blanks and a sign before, text after.
    EXPECT_EQ(record_of("FIELD_DELIMETER= +255x\nRECORD_DELIMETER=  1\n" + fields).bytes,
              "\xFF\x01"
              "AA       AB");
    // The refusal names the key, so the operator knows which line to mend.
    EXPECT_NE(record_of("FIELD_DELIMETER=44\nRECORD_DELIMETER=0\n" + fields)
                  .error->message.find("RECORD_DELIMETER"),
              std::string::npos);
}

TEST(OpscoreKd24, ZeroBytesInANameOrCharacterAreRefused) {
    using namespace std::string_literals;  // the zero bytes stay in, nothing after them
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\nFIELD=x,";
    // Anywhere in the eight name bytes, or as the character: the record would end there.
    EXPECT_EQ(refusal_of(head + "(LONGNA\0\0\0>/1/Z)\n"s), "bad byte");
    EXPECT_EQ(refusal_of(head + "(\0/1/Z)\n"s), "bad byte");
    EXPECT_EQ(refusal_of(head + "(A/1/\0Z)\n"s), "bad byte");
    // Beyond the eight bytes used, a zero never reaches the record.
    EXPECT_EQ(record_of(head + "(LONGNAME\0/1/Z)\n"s).bytes,
              "\x2C\x0D"
              "ALONGNAMEAZ");
}

TEST(OpscoreKd24, HugeNumbersDoNotWrapIntoTheByteRange) {
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\n";
    // 2^32 + 44 and 2^32 - 63 (64 more gives 1) must not come out as bytes 44 and 1.
    EXPECT_EQ(refusal_of("FIELD_DELIMETER=4294967340\nRECORD_DELIMETER=13\nFIELD=2,(A/1/B)\n"),
              "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/4294967233/B)\n"), "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/2147483647/B)\n"), "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/99999999999999999999999/B)\n"), "bad byte");
    EXPECT_EQ(refusal_of(head + "FIELD=2,(A/-64/B)\n"), "bad byte");
    // The extremes that still make a byte.
    EXPECT_EQ(record_of(head + "FIELD=2,(A/191/B),(C/-63/D)\n").bytes,
              "\x2C\x0D"
              "BA       \xFF"
              "BC       \x01"
              "D");
}

TEST(OpscoreKd24, ALineBeyondTheLimitStopsTheFile) {
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\n";
    const std::string longest = "FIELD=2,(A/1/B)" + std::string(opscore::kMaxConfigLine - 15, ' ');
    EXPECT_EQ(refusal_of(head + longest + "\r\n"), "none");
    EXPECT_EQ(refusal_of(head + longest + "x\n"), "line too long");
    // A file without line ends is read no further than the limit.
    std::istringstream zeros(std::string(1 << 20, '\0'));
    EXPECT_EQ(opscore::config_value(zeros, "FIELD").error->kind, Kind::LineTooLong);
}

}  // namespace
