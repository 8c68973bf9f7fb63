// vantctl's bar-code and device tables built from choices, as processes against termsim.
#include "vantctl_fixture.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;

class VantctlTables : public vantctl_test::VantctlFixture {};

TEST_F(VantctlTables, BuiltTablesReachEachTerminalAndArePrinted) {
    start_sim({"A", "B"});
    const ProcessRun bar = fast("bar-table AB --type KD35 --code39 full --off I25,code93");
    EXPECT_EQ(bar.status, 0) << bar.err;
    EXPECT_EQ(bar.out, "A: FFNNNNNF\nB: FFNNNNNF\n");
    EXPECT_TRUE(contains(trace(), "A: bar-code table stored: FFNNNNNF"));
    EXPECT_TRUE(contains(trace(), "B: bar-code table stored: FFNNNNNF"));

    const ProcessRun device =
        fast("device-table A --type VS19 --scanner pen --volume medium --auto-off 3");
    EXPECT_EQ(device.status, 0) << device.err;
    EXPECT_TRUE(contains(trace(), "A: device table stored: ANN 9N3 "));
    EXPECT_EQ(fast("device-table B --type KD24 --backlight off --beep-volume 0").status, 0);
    EXPECT_TRUE(contains(trace(), "B: device table stored: AFFN0N"));
}

TEST_F(VantctlTables, ChoicesATableCannotHoldAreRefusedBeforeAnyTraffic) {
    start_sim({"A"});
    // Each command line, and what the message names.
    const std::pair<std::string, std::string> mistakes[] = {
        {"bar-table A", "TEXT is missing"},
        {"bar-table A NNNNN --type KD35", "TEXT or build it with --type"},
        {"bar-table A --off msi", "--type is missing"},
        {"bar-table A --type KD31 --off msi", "KD31/KD32 terminals have no msi"},
        {"bar-table A --type VS17 --off code11", "VS17 terminals have no code11"},
        {"bar-table A --type KD35 --off i25,,msi", "not \n"},  // an empty name
        {"bar-table A --type KD35 --code39 half", "--code39 takes on|off|full"},
        {"device-table A --type KD24 --scanner pen", "KD24 terminals have no scanner"},
        {"device-table A --type KD24 --beep-volume 8", "from 0 to 7"},
        {"device-table A --type VS15 --auto-off -1", "from 0 to 9"},
        {"device-table A --type VS15 --scanner msr", "--scanner takes auto|pen|off"},
        {"device-table A --type KD35 --auto-off 5", "KD35 terminals have no auto-off"},
        {"device-table A --type KD36", "unknown terminal type KD36"},
    };
    for (const auto& [args, message] : mistakes) {
        const ProcessRun run = fast(args);
        EXPECT_EQ(run.status, 2) << args << "\n" << run.err;
        EXPECT_TRUE(contains(run.err, message)) << args << "\n" << run.err;
    }
    EXPECT_FALSE(contains(trace(), "table stored"));
}

}  // namespace
