// The window as it appears after start-up, and the Info box.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "ui_driver.h"

namespace tembra::test {
namespace {

using TembraWindow = ReceiverFixture;

QString groupOf(const QWidget* widget) {
    for (const QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (const auto* group = qobject_cast<const QGroupBox*>(parent)) return group->title();
    }
    return "window";
}

QStringList itemsOf(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    return items;
}

TEST_F(TembraWindow, ControlsHaveTheirCaptionsGroupsAndInitialStates) {
    writeFile("Setup.ini", "9\r\n");
    startForm();
    EXPECT_EQ(form_->objectName(), "Form1");
    EXPECT_EQ(form_->windowTitle(), "Tembra Ver. 1.0.0");

    const struct {
        const char* name;
        QString caption;
        QString group;
        bool enabled;
    } buttons[] = {
        {"Command6", "Applica", "Parametri di comunicazione", true},
        {"Command7", "Aggiorna", "Parametri di comunicazione", true},
        {"Command1", "Interrompi", "Tipo di aggiornamento", false},
        {"Command4", "Ricezione dati", "window", true},
        {"Command3", "Info", "window", true},
        {"Command2", "Esci", "window", true},
    };
    for (const auto& expected : buttons) {
        const auto* button = control<QPushButton>(expected.name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->text(), expected.caption) << expected.name;
        EXPECT_EQ(groupOf(button), expected.group) << expected.name;
        EXPECT_EQ(button->isEnabled(), expected.enabled) << expected.name;
    }

    EXPECT_EQ(control<QLabel>("Label1")->text(), "Porta :");
    EXPECT_EQ(control<QLabel>("Label2")->text(), QString::fromUtf8("Velocità :"));
    EXPECT_EQ(groupOf(control<QLabel>("Label2")), "Parametri di comunicazione");

    const auto* ports = control<QComboBox>("Combo1");
    EXPECT_TRUE(ports->isEditable());
    EXPECT_EQ(itemsOf(ports), (QStringList{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(ports->currentText(), "COM2");
    const auto* speeds = control<QComboBox>("Combo2");
    EXPECT_TRUE(speeds->isEditable());
    EXPECT_EQ(itemsOf(speeds), (QStringList{"2400", "9600", "19200", "38400"}));
    EXPECT_EQ(speeds->currentText(), "19200");
    EXPECT_EQ(groupOf(speeds), "Parametri di comunicazione");

    const auto* append = control<QRadioButton>("Option1");
    const auto* replace = control<QRadioButton>("Option2");
    EXPECT_EQ(append->text(), "Aggiungi");
    EXPECT_EQ(replace->text(), "Sostituisci");
    EXPECT_TRUE(append->isChecked());
    EXPECT_FALSE(replace->isChecked());
    EXPECT_EQ(groupOf(replace), "Tipo di aggiornamento");

    const auto* status = control<QLabel>("Label19");
    EXPECT_EQ(status->text(), "Non in corso !");
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(groupOf(status), "window");

    EXPECT_EQ(form_->portNumber(), 2);
    EXPECT_EQ(form_->portSettings(), "19200,n,8,1");
    EXPECT_TRUE(form_->findChild<QObject*>("MSComm1"));
}

TEST_F(TembraWindow, DevicePartOffersTheDevicesPresentAndKeepsAChoicePerPort) {
    vantdev::SerialDevice builtIn;
    builtIn.node = "/dev/ttyS0";
    builtIn.driver = "serial8250";
    vantdev::SerialDevice adapter = builtIn;
    adapter.node = "/dev/ttyUSB0";
    adapter.by_id = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    adapter.driver = "ftdi_sio";
    adapter.vid = "0403";
    std::vector<vantdev::SerialDevice> present{builtIn};
    int listings = 0;
    qunsetenv("TEMBRA_COM2");
    qputenv("TEMBRA_COM3", "/tmp/x");
    writeSetup(2);
    const QString setup = path("Setup.ini");
    form_ = std::make_unique<Form1>(Form1Options{{setup, setup}, fastTiming(), [&] {
                                                     ++listings;
                                                     return present;
                                                 }});
    ASSERT_TRUE(form_->startUp());
    auto* list = control<QListWidget>("List1");
    auto* field = control<QLineEdit>("Text1");
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows.append(list->item(i)->text());
    EXPECT_EQ(rows, (QStringList{"Predefinito (/dev/ttyS1)", "/dev/ttyS0 (serial8250)"}));
    EXPECT_EQ(list->currentRow(), 0);

    present.push_back(adapter);
    click("Command7");
    EXPECT_EQ(listings, 2);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QString::fromStdString(vantdev::describe(adapter)));
    list->setCurrentRow(2);
    EXPECT_EQ(field->text(), QString::fromStdString(adapter.by_id));
    click("Command6");
    EXPECT_EQ(readFile("Setup.ini"), "1COM2\r\n219200\r\n3" + outputPath().toUtf8() +
                                         "\r\n[Ports]\r\nCOM2=" + adapter.by_id.c_str() + "\r\n");

    control<QComboBox>("Combo1")->setCurrentText("COM3");
    EXPECT_EQ(field->text(), "");
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Command7")->isEnabled());
    EXPECT_EQ(control<QLabel>("Label4")->text(),
              QString::fromUtf8("COM3 è /tmp/x: impostato da TEMBRA_COM3 nell'ambiente, che "
                                "prevale su questa scelta"));
    control<QComboBox>("Combo1")->setCurrentText("COM2");
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_FALSE(field->isReadOnly());
    qunsetenv("TEMBRA_COM3");

    // Tab follows the drawing: the device part right after the port it belongs to.
    QStringList order;
    for (QWidget* widget = control<QComboBox>("Combo1"); order.size() < 6;
         widget = widget->nextInFocusChain()) {
        if (widget->focusPolicy() & Qt::TabFocus && !widget->objectName().isEmpty())
            order.append(widget->objectName());
    }
    EXPECT_EQ(order, (QStringList{"Combo1", "List1", "Text1", "Command7", "Combo2", "Command6"}));
}

TEST_F(TembraWindow, EveryStartSelectsAppend) {
    writeSetup(2);
    startForm();
    control<QRadioButton>("Option2")->click();
    ASSERT_FALSE(control<QRadioButton>("Option1")->isChecked());
    EXPECT_TRUE(form_->startUp());
    EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("Option2")->isChecked());
}

TEST_F(TembraWindow, InfoShowsTitleAndDescriptionWithOneButton) {
    writeSetup(2);
    startForm();
    click("Command3");
    ASSERT_EQ(boxes_.seen().size(), 1);
    const SeenBox& box = boxes_.seen()[0];
    EXPECT_EQ(box.title, "Tembra Info.");
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_TRUE(box.text.contains("Tembra Ver. 1.0.0"));
    EXPECT_TRUE(box.text.contains("Software per scarico dati tramite\nseriale RS232 da QL27."))
        << box.text.toStdString();
}

}  // namespace
}  // namespace tembra::test
