// The texts vantctl shows the operator, checked against their literal forms.
#include <gtest/gtest.h>

#include "terminal_text.h"

namespace {

TEST(VantctlTexts, EveryControlByteIsShownAndNothingElse) {
    // C0, DEL and C1 (0x80..0x9F) are controls; 0xA0 and above are characters.
    EXPECT_EQ(vantctl::visible_text(std::string("a\0\t\x1f \x7e\x7f\x80\x9f\xa0\xe9", 11)),
              "a\\x00\\x09\\x1f ~\\x7f\\x80\\x9f\xa0\xe9");
}

}  // namespace
