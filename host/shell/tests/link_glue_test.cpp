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
    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    installMessagePump();
    HM_time_delay(60);
    removeMessagePump();
    EXPECT_TRUE(fired);

    fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    HM_time_delay(60);  // no pump: the timer waits for the event loop
    EXPECT_FALSE(fired);
    QApplication::processEvents();
}
