// The window as it appears after start-up, and the Info box.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
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
