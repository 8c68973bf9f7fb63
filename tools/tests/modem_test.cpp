// vantctl's dial and hang-up against termsim's modem.
#include "vantctl_fixture.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;

class VantctlModem : public vantctl_test::VantctlFixture {
protected:
    void SetUp() override {
        start_sim({"A"}, {"--modem", "--number", "555=busy:50", "--number", "777=no-answer:50"});
    }
};

TEST_F(VantctlModem, DialReachesTheTerminalsAndHangupDropsTheLine) {
    const ProcessRun dial = fast("dial 123456 --wait 5");
    EXPECT_EQ(dial.status, 0) << dial.err;
    EXPECT_TRUE(contains(trace(), "modem: ATS0=1")) << trace();
    EXPECT_TRUE(contains(trace(), "modem: connected to 123456")) << trace();
    EXPECT_EQ(fast("id A").status, 0);

    const ProcessRun hangup = fast("hangup");
    EXPECT_EQ(hangup.status, 0) << hangup.err;
    EXPECT_TRUE(contains(trace(), "modem: hung up")) << trace();
    EXPECT_EQ(fast("--timeout 100 id A").status, 1);  // no line to the terminals any more
}

TEST_F(VantctlModem, RefusedDialsShowTheModemResult) {
    const ProcessRun busy = fast("dial 555 --init ATE0");
    EXPECT_EQ(busy.status, 1);
    EXPECT_TRUE(contains(busy.err, "ATDT555: 7 BUSY")) << busy.err;
    EXPECT_TRUE(contains(trace(), "modem: ATE0"));
    const ProcessRun none = fast("dial 777");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(contains(none.err, "ATDT777: 8 NO ANSWER")) << none.err;
    const ProcessRun bad_init = fast("dial 123 --init XYZ");
    EXPECT_EQ(bad_init.status, 1);
    EXPECT_TRUE(contains(bad_init.err, "XYZ: 4 ERROR")) << bad_init.err;
    EXPECT_FALSE(contains(trace(), "dialing 123\n"));
    EXPECT_EQ(fast("dial 123 --wait 0").status, 2);
    EXPECT_EQ(fast("dial 123 --wait soon").status, 2);
}

}  // namespace
