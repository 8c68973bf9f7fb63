#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "host_settings.h"
#include "link_glue.h"
#include "vantlink.h"

using namespace vantrel;

TEST(HostLinkGlue, PushHandsOverTheFiveLinkSettings) {
    HostSettings settings;
    settings.Time_out = 1234;
    settings.ESC_delay = 17;
    settings.NAK_delay = 77;
    settings.Power_Saving = true;
    settings.Upload_Save_Mode = UploadSaveMode::Append;
    pushLinkSettings(settings);
    EXPECT_EQ(HM_get_time_out(), 1234);
    EXPECT_EQ(HM_get_ESC_delay(), 17);
    EXPECT_EQ(HM_get_NAK_delay(), 77);
    EXPECT_EQ(HM_get_power_saving_status(), 1);
    EXPECT_EQ(HM_get_upload_file_save_mode(), UPLOAD_SAVE_APPEND);
    pushLinkSettings(HostSettings{});
    EXPECT_EQ(HM_get_time_out(), 400);
    EXPECT_EQ(HM_get_power_saving_status(), 0);
}

TEST(HostLinkGlue, WaitsOfTheLinkLibraryKeepEventsFlowing) {
    // Tests run offscreen, without a window: events are served now and then, at once when asked.
    int passes = 0;
    QTimer everyPass;
    QObject::connect(&everyPass, &QTimer::timeout, [&] { ++passes; });
    everyPass.start(0);
    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    installMessagePump();
    HM_time_delay(250);
    EXPECT_TRUE(fired);
    EXPECT_GE(passes, 1);
    EXPECT_LE(passes, 5) << "served on every pass of the wait";
    passes = 0;
    serveEventsOnNextPass();
    HM_time_delay(1);
    removeMessagePump();
    EXPECT_GE(passes, 1) << "a request to end waited for the next turn";

    fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    HM_time_delay(60);  // no pump: the timer waits for the event loop
    EXPECT_FALSE(fired);
    QApplication::processEvents();
}
