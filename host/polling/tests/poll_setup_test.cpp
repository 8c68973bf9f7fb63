// Setup > Poll and Setup > Time Synchronize: what OK stores and saves; Cancel nothing.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>

#include "command_ids.h"
#include "dialog_buttons.h"
#include "fake_host.h"
#include "frame_fixture.h"
#include "modal_answerer.h"
#include "poll_setup.h"
#include "polling_time_dlg_classes.h"

using namespace vantrel;

namespace {

QRadioButton* radio(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QRadioButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

void setClock(const ClockFieldEdits& fields, const char* h, const char* m, const char* s) {
    fields[0]->setText(h);
    fields[1]->setText(m);
    fields[2]->setText(s);
}

template <typename Dialog>
void answerWith(HostServices& host, int id, const std::function<void(Dialog*)>& answer) {
    ModalAnswerer answerer([&](QWidget* widget) {
        auto* dialog = qobject_cast<Dialog*>(widget);
        ASSERT_TRUE(dialog);
        answer(dialog);
    });
    EXPECT_TRUE(host.runCommand(id));
    EXPECT_EQ(answerer.answered(), 1);
}

class HostPollSetup : public ::testing::Test {
protected:
    void SetUp() override {
        host.file.File_Name = "FROM_FILE.DAT";
        host.settings().File_Name = "IN_MEMORY.DAT";
        install_poll_setup_commands(host);
    }
    SettingsFileHost host;
};

}  // namespace

TEST_F(HostPollSetup, PollOkStoresAndSaves) {
    answerWith<CPollingDataDlg>(host, ID_SETUP_POLL, [](CPollingDataDlg* d) {
        EXPECT_EQ(d->fileNameField()->text(), "FROM_FILE.DAT");
        d->fileNameField()->setText("NIGHT.DAT");
        setClock(d->startFields(), "18", "0", "0");
        setClock(d->stopFields(), "6", "30", "0");  // before the start: taken as entered
        d->errorThresholdField()->setText("4");
        d->noDataWaitField()->setText("20");
        radio(d, "New")->click();
        radio(d, "Specify Polling Period (HH:MM:SS)")->click();
        radio(d, "No Token (Share file)")->click();
        pressDialogButton(d, QDialogButtonBox::Ok);
    });
    const HostSettings& f = host.file;
    EXPECT_EQ(host.reloads, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(f.File_Name, "NIGHT.DAT");
    EXPECT_EQ(f.Start_Time, "18:00:00");
    EXPECT_EQ(f.Stop_Time, "06:30:00");
    EXPECT_EQ(f.MaxError, 4);
    EXPECT_EQ(f.Poll_Max_Wait_Time, 20);
    EXPECT_EQ(f.Open_Method, PollOpenMethod::New);
    EXPECT_EQ(f.Polling_Period, PollingPeriod::Specify);
    EXPECT_FALSE(f.Token_file);
}

TEST_F(HostPollSetup, TimeSyncOkStoresAndSaves) {
    answerWith<CAutoTimeSyncDlg>(host, ID_SETUP_TIME_SYNC, [](CAutoTimeSyncDlg* d) {
        EXPECT_EQ(d->fromFields()[0]->text(), "6");
        radio(d, "Sync. Time on specify time period when polling")->click();
        setClock(d->fromFields(), "1", "2", "3");
        setClock(d->toFields(), "23", "59", "59");
        pressDialogButton(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.file.Auto_Time_Sync, AutoTimeSync::Specify);
    EXPECT_EQ(host.file.Auto_Time_Sync_Start, "01:02:03");
    EXPECT_EQ(host.file.Auto_Time_Sync_Stop, "23:59:59");
}

TEST_F(HostPollSetup, CancelChangesNothing) {
    host.settings() = host.file;
    const HostSettings before = host.settings();
    answerWith<CPollingDataDlg>(host, ID_SETUP_POLL, [](CPollingDataDlg* d) {
        d->fileNameField()->setText("OTHER.DAT");
        setClock(d->startFields(), "1", "1", "1");
        radio(d, "New")->click();
        pressDialogButton(d, QDialogButtonBox::Cancel);
    });
    answerWith<CAutoTimeSyncDlg>(host, ID_SETUP_TIME_SYNC, [](CAutoTimeSyncDlg* d) {
        radio(d, "None")->click();
        setClock(d->toFields(), "1", "1", "1");
        pressDialogButton(d, QDialogButtonBox::Cancel);
    });
    EXPECT_TRUE(host.settings() == before);
    EXPECT_TRUE(host.file == before);
    EXPECT_EQ(host.saves, 0);
}

// With the real settings file: what Setup > Poll stores is what it shows the next time, also
// when the file holds polling windows (the next load puts window 0 in force).
class HostPollSetupInWindow : public FrameFixture {
protected:
    std::string iniText() const override {
        return "[Communication]\nTerminal_type=KD35\nAddress=A\n"
               "[POLL]\nPoll_Period_Specify_Counter=2\nStart_Time0=01:00:00\n"
               "Stop_Time0=02:00:00\nStart_Time1=03:00:00\nStop_Time1=04:00:00\n";
    }
};

TEST_F(HostPollSetupInWindow, TheTimesEnteredAreTheOnesShownNextTime) {
    install_poll_setup_commands(view());
    EXPECT_TRUE(enabled(ID_SETUP_POLL));
    EXPECT_TRUE(enabled(ID_SETUP_TIME_SYNC));
    answerWith<CPollingDataDlg>(view(), ID_SETUP_POLL, [](CPollingDataDlg* d) {
        EXPECT_EQ(d->startFields()[0]->text(), "1");
        setClock(d->startFields(), "8", "0", "0");
        setClock(d->stopFields(), "17", "0", "0");
        pressDialogButton(d, QDialogButtonBox::Ok);
    });
    answerWith<CPollingDataDlg>(view(), ID_SETUP_POLL, [](CPollingDataDlg* d) {
        EXPECT_EQ(d->startFields()[0]->text(), "8");
        EXPECT_EQ(d->stopFields()[0]->text(), "17");
        pressDialogButton(d, QDialogButtonBox::Cancel);
    });
    const std::string ini = readFile(folder.file("Vantcom.ini"));
    EXPECT_NE(ini.find("Start_Time=08:00:00"), std::string::npos);
    EXPECT_NE(ini.find("Start_Time0=08:00:00"), std::string::npos);
    EXPECT_NE(ini.find("Start_Time1=03:00:00"), std::string::npos);  // the other window kept
}
