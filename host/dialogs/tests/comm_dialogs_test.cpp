#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cstdlib>

#include "change_comm_dlg.h"
#include "comm_param_dlg.h"
#include "command_line_dlg.h"
#include "dialog_buttons.h"
#include "dialog_parts.h"
#include "modal_answerer.h"
#include "modem_setting_dlg.h"
#include "phone_book.h"
#include "phone_book_dlg.h"

using namespace vantrel;

namespace {

// Presses OK on a dialog that is not shown; a refusal box is answered and its text returned.
template <typename Dialog>
QString pressOk(Dialog& dialog) {
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    dialog.accept();
    return answerer.answered() ? answerer.lastText() : QString();
}

QRadioButton* radio(QWidget& dialog, const QString& text, int nth = 0) {
    for (auto* button : dialog.findChildren<QRadioButton*>())
        if (button->text() == text && nth-- == 0) return button;
    return nullptr;
}

}  // namespace

TEST(HostDialogsIntegerField, MessagesAndBounds) {
    const IntegerFieldRule plain;
    IntegerFieldRule wait;
    wait.min = 1;
    wait.max = 120;
    IntegerFieldRule unsignedRange;
    unsignedRange.typeMin = 0;
    unsignedRange.typeMax = UINT32_MAX;
    unsignedRange.isUnsigned = true;
    unsignedRange.min = 0;
    unsignedRange.max = 99;

    std::int64_t value = 0;
    EXPECT_EQ(integerFieldProblem(" -42 ", plain, &value), "");
    EXPECT_EQ(value, -42);
    for (const char* text : {"", "abc", "12x", "1.5", "-", "2147483648", "99999999999999999999"})
        EXPECT_EQ(integerFieldProblem(text, plain), "Please enter an integer.") << text;
    EXPECT_EQ(integerFieldProblem("0", wait), "Please enter an integer between 1 and 120.");
    EXPECT_EQ(integerFieldProblem("121", wait), "Please enter an integer between 1 and 120.");
    EXPECT_EQ(integerFieldProblem("1", wait), "");
    EXPECT_EQ(integerFieldProblem("120", wait), "");
    EXPECT_EQ(integerFieldProblem("100", unsignedRange),
              "Please enter an integer between 0 and 99.");
    EXPECT_EQ(integerFieldProblem("-1", unsignedRange), "Please enter a positive integer.");
    EXPECT_EQ(integerFieldProblem("99", unsignedRange), "");
}

TEST(HostDialogsCommParam, FilledFromTheSettingsAndReadBackOnOk) {
    CCommParamDlg fresh(CommParamValues{});
    EXPECT_EQ(fresh.windowTitle(), "Communication Parameter");
    EXPECT_EQ(fresh.values().baudIndex, -1);
    EXPECT_EQ(fresh.values().errorLogMode, -1);
    for (auto* button : fresh.findChildren<QRadioButton*>()) EXPECT_FALSE(button->isChecked());

    HostSettings s;
    s.Port = 3;
    s.BaudRate = 9;
    s.DataBit = 7;
    s.StopBit = 2;
    s.Parity = ParityMode::Odd;
    s.ErrorLog = ErrorLogMode::Append;
    s.Power_Saving = true;
    CCommParamDlg dialog(commParamValuesFor(s));
    EXPECT_TRUE(radio(dialog, "COM3")->isChecked());
    EXPECT_TRUE(radio(dialog, "57600")->isChecked());
    EXPECT_TRUE(radio(dialog, "7")->isChecked());
    EXPECT_TRUE(radio(dialog, "Odd")->isChecked());
    EXPECT_TRUE(radio(dialog, "2")->isChecked());
    EXPECT_TRUE(radio(dialog, "Append")->isChecked());
    EXPECT_TRUE(dialog.findChild<QCheckBox*>()->isChecked());

    radio(dialog, "COM1")->click();
    radio(dialog, "New")->click();
    radio(dialog, "19200")->click();
    dialog.addressField()->setText("ab,c");
    dialog.timeOutField()->setText("1500");
    dialog.nakDelayField()->setText("-3");  // the delays have no range
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CommParamValues v = dialog.values();
    EXPECT_EQ(v.portIndex, 0);
    EXPECT_EQ(v.errorLogMode, 2);
    EXPECT_EQ(v.baudIndex, 7);
    EXPECT_EQ(v.addressList, "AB,C");
    EXPECT_EQ(v.timeOut, 1500);
    EXPECT_EQ(v.nakDelay, -3);

    applyCommParamValues(v, s);
    EXPECT_EQ(s.Port, 1);
    EXPECT_EQ(s.ErrorLog, ErrorLogMode::New);
    EXPECT_EQ(s.Address, "ABC");
    EXPECT_EQ(s.DataBit, 7);
    EXPECT_EQ(s.StopBit, 2);
    EXPECT_EQ(s.Parity, ParityMode::Odd);
    EXPECT_EQ(s.Time_out, 1500);
}

TEST(HostDialogsCommParam, DevicePartFollowsThePortGroupAndKeepsEachChoice) {
    const vantdev::SerialDevice ftdi{
        "/dev/ttyUSB0", "/dev/serial/by-id/usb-A1", "", "", "", "", "", ""};
    std::vector<vantdev::SerialDevice> present = {ftdi};
    int listings = 0;
    HostSettings s;
    s.Port = 1;
    s.Ports[2] = "/tmp/pty7";
    setenv("VANTLINK_COM2", "/tmp/x", 1);
    CCommParamDlg dialog(commParamValuesFor(s), nullptr, [&] { return ++listings, present; });
    QListWidget* list = dialog.deviceList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Default: /dev/ttyS0");
    EXPECT_EQ(list->item(1)->text().toStdString(), vantdev::describe(ftdi));
    EXPECT_EQ(list->currentRow(), 0);
    list->setCurrentRow(1);
    EXPECT_EQ(dialog.deviceField()->text().toStdString(), ftdi.by_id);

    radio(dialog, "COM3")->click();
    EXPECT_EQ(dialog.deviceField()->text(), "/tmp/pty7");
    EXPECT_EQ(list->currentRow(), -1);  // a path of no device present
    EXPECT_EQ(list->item(0)->text(), "Default: /dev/ttyS2");
    present.push_back({"/dev/ttyACM0", "", "cdc_acm", "", "", "", "", ""});
    dialog.refreshButton()->click();
    EXPECT_EQ(listings, 2);
    list->setCurrentRow(2);
    EXPECT_EQ(dialog.deviceField()->text(), "/dev/ttyACM0");

    radio(dialog, "COM2")->click();  // the environment decides for COM2
    EXPECT_TRUE(dialog.deviceField()->isReadOnly() && !list->isEnabled());
    EXPECT_EQ(dialog.deviceReason()->isHidden() ? QString() : dialog.deviceReason()->text(),
              "COM2 is /tmp/x: set by VANTLINK_COM2 in the environment, which overrides this "
              "choice");
    unsetenv("VANTLINK_COM2");
    radio(dialog, "COM1")->click();
    EXPECT_FALSE(dialog.deviceField()->isReadOnly());

    // Drawn top to bottom, tabbed the same way; small enough for a 1024 by 768 screen.
    std::vector<QWidget*> chain{radio(dialog, "110")};
    while (chain.size() < 100) chain.push_back(chain.back()->nextInFocusChain());
    auto at = [&](QWidget* w) { return std::find(chain.begin(), chain.end(), w) - chain.begin(); };
    EXPECT_LT(at(dialog.timeOutField()), at(dialog.findChild<QCheckBox*>()));
    EXPECT_LT(at(dialog.findChild<QCheckBox*>()), at(list));
    EXPECT_LT(at(list), at(dialog.deviceField()));
    EXPECT_LT(at(dialog.deviceField()), at(dialog.refreshButton()));
    EXPECT_TRUE(dialog.sizeHint().width() <= 1024 && dialog.sizeHint().height() <= 700);

    dialog.deviceField()->setText(QString(2100, QChar(0xE9)));  // fewer characters than bytes
    radio(dialog, "COM4")->click();
    EXPECT_EQ(pressOk(dialog), "The device of COM1 is too long (at most 4095 bytes).");
    radio(dialog, "COM1")->click();
    dialog.deviceField()->setText(QString::fromStdString(" " + ftdi.by_id + " "));
    EXPECT_EQ(pressOk(dialog), "");
    applyCommParamValues(dialog.values(), s);
    EXPECT_EQ(s.Port, 1);
    EXPECT_EQ(s.Ports, (std::array<std::string, kComPorts>{ftdi.by_id, "", "/dev/ttyACM0", ""}));
}

TEST(HostDialogsCommParam, NonIntegerDelaysKeepTheDialogOpenWithTheFieldSelected) {
    CCommParamDlg dialog(commParamValuesFor(HostSettings{}));
    dialog.escDelayField()->setText("1o");
    EXPECT_EQ(pressOk(dialog), "Please enter an integer.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.focusWidget(), dialog.escDelayField());
    EXPECT_EQ(dialog.escDelayField()->selectedText(), "1o");

    dialog.escDelayField()->setText("10");
    dialog.timeOutField()->setText("4000000000");  // beyond the long the link takes
    EXPECT_EQ(pressOk(dialog), "Please enter an integer.");
    EXPECT_EQ(dialog.focusWidget(), dialog.timeOutField());
    EXPECT_EQ(dialog.values().escDelay, 10);  // nothing copied back yet
    EXPECT_EQ(dialog.values().timeOut, 400);
}

TEST(HostDialogsChangeComm, TimeOutRangeAndTheValues) {
    CChangeCommDlg fresh(ChangeCommValues{});
    EXPECT_EQ(fresh.windowTitle(), "Change comm. parameter");
    EXPECT_EQ(fresh.values().baudIndex, -1);
    EXPECT_EQ(fresh.values().changePc, 0);

    HostSettings s;
    s.TERMINAL_TIMEOUT = 7;
    s.BaudRate = 3;
    CChangeCommDlg dialog(changeCommValuesFor(s));
    EXPECT_TRUE(dialog.findChild<QCheckBox*>()->isChecked());
    EXPECT_EQ(dialog.timeoutField()->text(), "7");
    EXPECT_TRUE(radio(dialog, "1200")->isChecked());

    dialog.timeoutField()->setText("100");
    EXPECT_EQ(pressOk(dialog), "Please enter an integer between 0 and 99.");
    dialog.timeoutField()->setText("-1");
    EXPECT_EQ(pressOk(dialog), "Please enter a positive integer.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.timeoutField()->setText("99");
    radio(dialog, "Even")->click();
    radio(dialog, "38400")->click();
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    ChangeCommValues v = dialog.values();
    EXPECT_EQ(v.terminalTimeout, 99u);
    storeTerminalTimeout(v, s);
    EXPECT_EQ(s.TERMINAL_TIMEOUT, 99);
    v.terminalTimeout = 250;
    storeTerminalTimeout(v, s);
    EXPECT_EQ(s.TERMINAL_TIMEOUT, 50);
    EXPECT_EQ(s.BaudRate, 3);  // the PC's line changes only when asked to
    storePcLine(v, s);
    EXPECT_EQ(s.BaudRate, 8);
    EXPECT_EQ(s.Parity, ParityMode::Even);
}

TEST(HostDialogsCommandLine, FlagsBothWays) {
    CCommandLineDlg fresh(CommandLineValues{});
    EXPECT_EQ(fresh.windowTitle(), "Command line setting");
    EXPECT_EQ(fresh.values().autoExit, 0);
    EXPECT_EQ(fresh.values().showErrorBox, 0);

    HostSettings s;
    s.AUTO_EXIT = true;
    s.SHOW_ERROR_BOX = false;
    CCommandLineDlg dialog(commandLineValuesFor(s));
    EXPECT_EQ(dialog.values().autoExit, 1);
    EXPECT_EQ(dialog.values().showErrorBox, 0);
    for (auto* box : dialog.findChildren<QCheckBox*>()) box->click();
    applyCommandLineValues(dialog.values(), s);
    EXPECT_FALSE(s.AUTO_EXIT);
    EXPECT_TRUE(s.SHOW_ERROR_BOX);
}

TEST(HostDialogsModemSetting, DialWaitBoundsAndThePhoneBookButton) {
    CModemSettingDlg fresh(ModemSettingValues{});
    EXPECT_EQ(fresh.windowTitle(), "Modem Setting");
    EXPECT_FALSE(radio(fresh, "No Modem")->isChecked());
    EXPECT_FALSE(radio(fresh, "Use Modem")->isChecked());

    HostSettings s;
    s.Modem_Phone_name[3] = "Depot";
    s.Modem_Phone_no[3] = "5551234";
    CModemSettingDlg dialog(modemSettingValuesFor(s));
    EXPECT_TRUE(radio(dialog, "No Modem")->isChecked());
    EXPECT_EQ(dialog.initialCommandField()->text(), "ATS0=1");
    EXPECT_EQ(dialog.initialCommandField()->maxLength(), 99);
    EXPECT_EQ(dialog.dialWaitField()->text(), "60");
    for (const char* refused : {"0", "121"}) {
        dialog.dialWaitField()->setText(refused);
        EXPECT_EQ(pressOk(dialog), "Please enter an integer between 1 and 120.");
    }
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    {  // Cancel in the phone book keeps the entries
        ModalAnswerer answerer([](QWidget* w) {
            pressButtonNamed(w, "Delete");
            pressDialogButton(w, QDialogButtonBox::Cancel);
        });
        pressButtonNamed(&dialog, "Phone Book");
        EXPECT_EQ(answerer.lastTitle(), "PHONE BOOK");
        EXPECT_EQ(dialog.values().phoneBook.size(), 1u);
    }
    {  // OK takes the list back
        ModalAnswerer answerer([](QWidget* w) {
            auto* book = qobject_cast<CPhoneBookDlg*>(w);
            book->nameField()->setText("Annex");
            book->numberField()->setText("42");
            book->addNew();
            pressDialogButton(w, QDialogButtonBox::Ok);
        });
        pressButtonNamed(&dialog, "Phone Book");
        EXPECT_EQ(answerer.answered(), 1);
    }
    radio(dialog, "Use Modem")->click();
    for (const char* accepted : {"120", "1"}) {
        dialog.dialWaitField()->setText(accepted);
        EXPECT_EQ(pressOk(dialog), "");
    }
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    applyModemSettingValues(dialog.values(), s);
    EXPECT_TRUE(s.Use_modem);
    EXPECT_EQ(s.Dial_Wait_Time, 1);
    // Stored compacted in list order.
    EXPECT_EQ(s.Modem_Phone_name[0], "Annex");
    EXPECT_EQ(s.Modem_Phone_no[0], "42");
    EXPECT_EQ(s.Modem_Phone_name[1], "Depot");
    EXPECT_EQ(s.Modem_Phone_no[1], "5551234");
    EXPECT_EQ(s.Modem_Phone_no[3], "");
}
