#include "poll_window.h"

#include <gtest/gtest.h>

#include "host_settings.h"
#include "host_state.h"

using namespace vantrel;

namespace {

std::tm at(int hour, int minute, int second) {
    std::tm time{};
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(HostPollingWindow, DayWindowHoldsItsEndsAndNothingOutside) {
    EXPECT_FALSE(isOutsideWindow("08:00:00", "08:00:00", "12:00:00"));
    EXPECT_FALSE(isOutsideWindow("12:00:00", "08:00:00", "12:00:00"));
    EXPECT_FALSE(isOutsideWindow("10:30:00", "08:00:00", "12:00:00"));
    EXPECT_TRUE(isOutsideWindow("07:59:59", "08:00:00", "12:00:00"));
    EXPECT_TRUE(isOutsideWindow("12:00:01", "08:00:00", "12:00:00"));
}

TEST(HostPollingWindow, WindowOverMidnight) {
    EXPECT_FALSE(isOutsideWindow("23:15:00", "22:00:00", "06:00:00"));
    EXPECT_FALSE(isOutsideWindow("05:00:00", "22:00:00", "06:00:00"));
    EXPECT_FALSE(isOutsideWindow("00:00:00", "22:00:00", "06:00:00"));
    EXPECT_FALSE(isOutsideWindow("22:00:00", "22:00:00", "06:00:00"));
    EXPECT_FALSE(isOutsideWindow("06:00:00", "22:00:00", "06:00:00"));
    EXPECT_TRUE(isOutsideWindow("12:00:00", "22:00:00", "06:00:00"));
    EXPECT_TRUE(isOutsideWindow("06:00:01", "22:00:00", "06:00:00"));
    // Start equal to stop counts as a window over midnight: the whole day.
    EXPECT_FALSE(isOutsideWindow("03:00:00", "10:00:00", "10:00:00"));
}

class HostPollingWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Poll_Period_Specify_Counter = 2;
        settings.Start_Times[0] = "08:00:00";
        settings.Stop_Times[0] = "12:00:00";
        settings.Start_Times[1] = "13:00:00";
        settings.Stop_Times[1] = "17:00:00";
        settings.Start_Time = "08:00:00";
        settings.Stop_Time = "12:00:00";
    }
    HostSettings settings;
    HostState state;
};

TEST_F(HostPollingWindowTest, OutsideAnswersWalkThroughTheWindows) {
    EXPECT_TRUE(windowTest(WindowKind::Polling, settings, state, at(12, 30, 0)));
    EXPECT_EQ(state.pollClockText, "12:30:00");
    EXPECT_EQ(state.pollWindowIndex, 1);
    EXPECT_EQ(settings.Start_Time, "13:00:00");
    EXPECT_EQ(settings.Stop_Time, "17:00:00");
    EXPECT_TRUE(windowTest(WindowKind::Polling, settings, state, at(12, 30, 0)));
    EXPECT_EQ(state.pollWindowIndex, 0);
    EXPECT_EQ(settings.Start_Time, "08:00:00");
    // Inside: nothing moves.
    EXPECT_FALSE(windowTest(WindowKind::Polling, settings, state, at(9, 0, 0)));
    EXPECT_EQ(state.pollWindowIndex, 0);
    EXPECT_TRUE(windowTest(WindowKind::Polling, settings, state, at(14, 0, 0)));
    EXPECT_FALSE(windowTest(WindowKind::Polling, settings, state, at(14, 0, 0)));
    EXPECT_EQ(settings.Start_Time, "13:00:00");
}

TEST_F(HostPollingWindowTest, SynchronisationTestLeavesThePollingWindowAlone) {
    settings.Auto_Time_Sync_Start = "06:00:00";
    settings.Auto_Time_Sync_Stop = "08:00:00";
    EXPECT_TRUE(windowTest(WindowKind::Synchronisation, settings, state, at(12, 30, 0)));
    EXPECT_FALSE(windowTest(WindowKind::Synchronisation, settings, state, at(7, 0, 0)));
    EXPECT_EQ(state.pollWindowIndex, 0);
    EXPECT_EQ(settings.Start_Time, "08:00:00");
    EXPECT_EQ(state.pollClockText, "07:00:00");
}

TEST_F(HostPollingWindowTest, NoWindowListKeepsThePairInForce) {
    settings.Poll_Period_Specify_Counter = 0;
    for (int i = 0; i < 30; ++i) windowTest(WindowKind::Polling, settings, state, at(20, 0, 0));
    EXPECT_EQ(state.pollWindowIndex, 0);
    EXPECT_EQ(settings.Start_Time, "08:00:00");
    settings.Poll_Period_Specify_Counter = 1;
    windowTest(WindowKind::Polling, settings, state, at(20, 0, 0));
    EXPECT_EQ(state.pollWindowIndex, 0);
}

}  // namespace
