// The settings menu commands: what OK stores, pushes, reopens and reconnects; Cancel nothing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "comm_param_dlg.h"
#include "command_ids.h"
#include "dialog_buttons.h"
#include "dialup_commands.h"
#include "fake_host.h"
#include "frame_fixture.h"
#include "modal_answerer.h"
#include "modem_setting_dlg.h"
#include "profile_file.h"
#include "setup_commands.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

QRadioButton* radio(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QRadioButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

class HostDialogsCommands : public ::testing::Test {
protected:
    void SetUp() override {
        host.setCommandHandler(ID_PORT_CONNECT, [this] { host.setConnected(true); });
        host.setCommandHandler(ID_PORT_DISCONNECT, [this] { host.setConnected(false); });
    }
    void TearDown() override {
        HM_set_time_out(400);
        HM_set_ESC_delay(10);
        HM_set_NAK_delay(50);
        HM_set_power_saving_status(0);
    }
    // Runs the Parameter command, answering its dialog with edits and OK.
    void runParameter(const std::function<void(CCommParamDlg*)>& edit) {
        ModalAnswerer answerer([&](QWidget* widget) {
            auto* dialog = qobject_cast<CCommParamDlg*>(widget);
            ASSERT_TRUE(dialog);
            edit(dialog);
            pressDialogButton(dialog, QDialogButtonBox::Ok);
        });
        runSetupParameter(host, nullptr);
        EXPECT_EQ(answerer.answered(), 1);
    }

    FakeHost host;
};

}  // namespace

TEST_F(HostDialogsCommands, ParameterOkStoresPushesAndSaves) {
    runParameter([](CCommParamDlg* d) {
        d->addressField()->setText("bad");
        d->timeOutField()->setText("900");
        d->escDelayField()->setText("33");
        d->nakDelayField()->setText("77");
        radio(d, "COM4")->click();
        d->findChild<QCheckBox*>()->click();
    });
    const HostSettings& s = host.settings();
    EXPECT_EQ(host.reloads, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(s.Address, "BAD");
    EXPECT_EQ(s.Port, 4);
    EXPECT_EQ(HM_get_time_out(), 900);
    EXPECT_EQ(HM_get_ESC_delay(), 33);
    EXPECT_EQ(HM_get_NAK_delay(), 77);
    EXPECT_EQ(HM_get_power_saving_status(), 1);
    EXPECT_TRUE(host.reopenedFrom.empty());  // the log mode did not change
    EXPECT_TRUE(host.ran.empty());           // not connected: the port stays closed
}

TEST_F(HostDialogsCommands, ParameterReopensTheLogAndReconnectsAnOpenLine) {
    host.settings().ErrorLog = ErrorLogMode::Append;
    host.setConnected(true);
    runParameter([](CCommParamDlg* d) { radio(d, "New")->click(); });
    EXPECT_EQ(host.reopenedFrom, (std::vector<ErrorLogMode>{ErrorLogMode::Append}));
    EXPECT_EQ(host.ran, (std::vector<int>{ID_PORT_DISCONNECT, ID_PORT_CONNECT}));
    EXPECT_TRUE(host.state().connected);

    // Under a running command the line is left alone.
    host.ran.clear();
    host.setReady(false);
    runParameter([](CCommParamDlg*) {});
    EXPECT_TRUE(host.ran.empty());
}

TEST_F(HostDialogsCommands, CancelChangesNothing) {
    host.setConnected(true);
    const HostSettings before = host.settings();
    HM_set_time_out(1234);
    for (auto run : {&runSetupParameter, &runSetupCommandLine, &runSetupModem}) {
        ModalAnswerer answerer([](QWidget* widget) {
            for (auto* field : widget->findChildren<QLineEdit*>()) field->setText("5");
            for (auto* box : widget->findChildren<QCheckBox*>()) box->click();
            pressDialogButton(widget, QDialogButtonBox::Cancel);
        });
        run(host, nullptr);
        EXPECT_EQ(answerer.answered(), 1);
    }
    EXPECT_TRUE(host.settings() == before);
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(HM_get_time_out(), 1234);
    EXPECT_TRUE(host.ran.empty());
    EXPECT_TRUE(host.reopenedFrom.empty());
}

TEST_F(HostDialogsCommands, CommandLineAndModemOkStoreAndSave) {
    {
        ModalAnswerer answerer([](QWidget* widget) {
            for (auto* box : widget->findChildren<QCheckBox*>()) box->click();
            pressDialogButton(widget, QDialogButtonBox::Ok);
        });
        runSetupCommandLine(host, nullptr);
    }
    EXPECT_FALSE(host.settings().AUTO_EXIT);
    EXPECT_FALSE(host.settings().SHOW_ERROR_BOX);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.redraws, 1);

    host.settings().Modem_Phone_name[7] = "Depot";
    host.settings().Modem_Phone_no[7] = "5551234";
    host.settings().Modem_Phone_name[2] = "No number";
    {
        ModalAnswerer answerer([](QWidget* widget) {
            auto* dialog = qobject_cast<CModemSettingDlg*>(widget);
            radio(dialog, "Use Modem")->click();
            dialog->initialCommandField()->setText("ATZ");
            dialog->dialWaitField()->setText("45");
            pressDialogButton(dialog, QDialogButtonBox::Ok);
        });
        runSetupModem(host, nullptr);
    }
    const HostSettings& s = host.settings();
    EXPECT_EQ(host.saves, 2);
    EXPECT_TRUE(s.Use_modem);
    EXPECT_EQ(s.Modem_Initial_command, "ATZ");
    EXPECT_EQ(s.Dial_Wait_Time, 45);
    EXPECT_EQ(s.Modem_Phone_name[0], "Depot");
    EXPECT_EQ(s.Modem_Phone_no[0], "5551234");
    EXPECT_EQ(s.Modem_Phone_name[2], "");  // a name without a number is dropped
    EXPECT_EQ(s.Modem_Phone_name[7], "");
}

// In the main window: the menu entries work and a mode change starts the log anew.
class HostDialogsInWindow : public FrameFixture {
protected:
    std::string iniText() const override {
        return "[Communication]\nTerminal_type=KD35\nAddress=A\nErrorLog=Append\n";
    }
};

TEST_F(HostDialogsInWindow, ErrorLogModeChangeFromAppendToNewTruncatesTheLog) {
    install_setup_commands(view());
    install_dialup_commands(view());
    EXPECT_TRUE(enabled(ID_SETUP_PARAMETER));
    EXPECT_TRUE(enabled(ID_SETUP_MODEM));
    EXPECT_TRUE(enabled(ID_SETUP_COMMAND_LINE));
    view().reporter().report('A', "Cold Start", "", 4);
    ASSERT_NE(readFile(folder.file("ERR_LOG.TXT")), "");

    ModalAnswerer answerer([](QWidget* widget) {
        radio(widget, "New")->click();
        pressDialogButton(widget, QDialogButtonBox::Ok);
    });
    EXPECT_TRUE(view().runCommand(ID_SETUP_PARAMETER));
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(readFile(folder.file("ERR_LOG.TXT")), "");
    EXPECT_NE(readFile(folder.file("Vantcom.ini")).find("ErrorLog=New"), std::string::npos);
    view().reporter().report('A', "Cold Start", "", 4);
    EXPECT_NE(readFile(folder.file("ERR_LOG.TXT")).find("Time out"), std::string::npos);
}

// ERR_LOG.TXT cannot be opened at start-up (a folder holds its name).
class HostErrorLogUnavailable : public FrameFixture {
protected:
    void SetUp() override {
        writeFile(folder.file("Vantcom.ini"),
                  "[Communication]\nTerminal_type=KD35\nAddress=A\nErrorLog=Append\n");
        std::filesystem::create_directory(folder.file("ERR_LOG.TXT"));
        ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
        start();
        EXPECT_EQ(ok.lastText(), "Error log file open error");
    }
};

TEST_F(HostErrorLogUnavailable, ParameterConfirmedWithTheSameModeOpensItAgain) {
    std::filesystem::remove(folder.file("ERR_LOG.TXT"));
    install_setup_commands(view());
    ModalAnswerer ok([](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Ok); });
    EXPECT_TRUE(view().runCommand(ID_SETUP_PARAMETER));
    EXPECT_EQ(ok.answered(), 1);
    view().reporter().report('A', "Cold Start", "", 4);
    EXPECT_NE(readFile(folder.file("ERR_LOG.TXT")).find("Time out"), std::string::npos);
}

class HostSetupStartUp : public FrameFixture {
protected:
    void SetUp() override {}
};

TEST_F(HostSetupStartUp, UnknownTerminalTypeAsksWithoutLosingThePhoneBook) {
    writeFile(folder.file("Vantcom.ini"),
              "[MESSAGE_WINDOW]\nFONT_SIZE=14\n[Modem]\nModem_Phone_no001=5550100\n"
              "Modem_Phone_name001=Depot\n");
    ModalAnswerer pick([](QWidget* dialog) {
        auto buttons = dialog->findChildren<QAbstractButton*>();
        for (auto* button : buttons)
            if (button->text() == "VS15") button->click();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    installFeatures = install_setup_commands;
    start();
    EXPECT_EQ(pick.answered(), 1);
    EXPECT_EQ(pick.lastTitle(), "Terminal type select");
    const auto& s = view().settings();
    EXPECT_EQ(s.Terminal_type, TerminalType::VS15);
    EXPECT_EQ(s.Time_out, 500);
    EXPECT_TRUE(s.Power_Saving);
    EXPECT_EQ(view().state().kind[0], static_cast<int>(TerminalType::VS15));
    const ProfileFile file(folder.file("Vantcom.ini"));
    EXPECT_EQ(file.read("Communication", "Terminal_type", ""), "VS15");
    EXPECT_EQ(file.read("Modem", "Modem_Phone_no001", ""), "5550100");
    EXPECT_EQ(file.read("MESSAGE_WINDOW", "FONT_SIZE", ""), "14");
}
