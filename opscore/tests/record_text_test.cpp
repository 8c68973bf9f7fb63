#include "record_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string line_of(std::string_view record) {
    return opscore::record_line_text(std::span<const unsigned char>(
        reinterpret_cast<const unsigned char*>(record.data()), record.size()));
}

TEST(RecordText, BytesThatWouldBreakTheLineAreEscaped) {
    using namespace std::string_literals;
    EXPECT_EQ(line_of("a1\r\nB forged"), "a1\\r\\nB forged");
    EXPECT_EQ(line_of("x\0y"s), "x\\0y");
}

TEST(RecordText, PlainRecordsAndHarmlessBackslashesStayAsTheyCame) {
    EXPECT_EQ(line_of("4006381333931"), "4006381333931");
    EXPECT_EQ(line_of("C:\\DATA\\X"), "C:\\DATA\\X");
    EXPECT_EQ(line_of("ends in \\"), "ends in \\");
}

TEST(RecordText, BackslashesThatWouldReadAsEscapesAreDoubled) {
    EXPECT_EQ(line_of("a\\nb"), "a\\\\nb");
    EXPECT_EQ(line_of("\\\\"), "\\\\\\");
    EXPECT_EQ(line_of("\\\r"), "\\\\\\r");
}

TEST(RecordText, EveryRecordReadsBackExactly) {
    std::mt19937 engine(11);
    // Few distinct bytes, so backslashes, escape letters and control bytes meet often.
    const std::string alphabet = std::string("\\rn0\r\n\x1b", 7) + std::string(1, '\0') + "aZ";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 5000; ++round) {
        std::string record(round % 13, ' ');
        for (char& c : record) c = alphabet[pick(engine)];
        const std::string line = line_of(record);
        ASSERT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << line;
        ASSERT_EQ(opscore::record_from_line_text(line), record) << line;
    }
}

}  // namespace
