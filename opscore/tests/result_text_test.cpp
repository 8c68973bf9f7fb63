#include "result_text.h"

#include <gtest/gtest.h>

namespace {

TEST(OpscoreResultText, OddlySpeltTextsStayAndCodesWithoutARowHaveNone) {
    using opscore::result_text;
    EXPECT_EQ(result_text(0), "Successfully");
    EXPECT_EQ(result_text(6), "Return string BBC error");
    EXPECT_EQ(result_text(34), "Invalid number of parater");
    EXPECT_EQ(result_text(50), "File already exist ,upload file name to be changed");
    EXPECT_EQ(result_text(130), "Concentrator get unknown string");
    // The host's note code, codes between rows and the library's own 252 have no words.
    for (const int32_t code : {-1, 10, 23, 35, 131, 252, 255}) {
        EXPECT_EQ(result_text(code), "") << code;
    }
    int with_text = 0;
    for (int32_t code = -300; code <= 300; ++code) with_text += result_text(code).empty() ? 0 : 1;
    EXPECT_EQ(with_text, 33);
}

}  // namespace
