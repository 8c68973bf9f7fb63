// "Bar code symbology", the device table dialogs of each terminal family and "Change addreee".
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "dialog_buttons.h"
#include "dialog_test_support.h"
#include "modal_boxes.h"
#include "table_dlg_classes.h"

using namespace vantrel;

namespace {

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    return texts;
}

QStringList buttonTexts(const QButtonGroup* group) {
    QStringList texts;
    for (auto* button : group->buttons()) texts << button->text();
    return texts;
}

void choose(CTableDlg& dialog, const QString& row, int index) {
    dialog.row(row)->button(index)->click();
}

// Every row's chosen position, top to bottom.
std::vector<int> chosenPositions(const CTableDlg& dialog, const QStringList& rows) {
    std::vector<int> positions;
    for (const auto& label : rows) positions.push_back(dialog.row(label)->checkedId());
    return positions;
}

const QStringList kBarRows = {"Code 39", "I 2 of 5", "Code Bar", "EAN/UPC", "Code 128",
                              "EAN 128", "Code 93",  "Trioptic", "MSI",     "Code 11"};

// Answers the next dialog: does what `act` does to it, then presses OK.
template <typename Dialog>
ModalAnswerer::Answer actThenOk(std::function<void(Dialog&)> act) {
    return [act](QWidget* widget) {
        auto* dialog = qobject_cast<Dialog*>(widget);
        if (!dialog) return;
        act(*dialog);
        pressDialogButton(dialog, QDialogButtonBox::Ok);
    };
}

}  // namespace

TEST(HostBarCodeDialog, OpensAllOnEveryTimeAndYieldsEachRow) {
    std::vector<int> seenFirst, seenSecond;
    std::optional<opscore::BarCodeChoice> first;
    {
        ModalAnswerer answerer(actThenOk<CBarCodeDlg>([&](CBarCodeDlg& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Bar code symbology");
            EXPECT_EQ(buttonTexts(dialog.row("Code 39")), (QStringList{"ON", "OFF", "FULL"}));
            EXPECT_EQ(buttonTexts(dialog.row("Code 11")), (QStringList{"ON", "OFF"}));
            seenFirst = chosenPositions(dialog, kBarRows);
            choose(dialog, "Code 39", 2);
            for (const auto& row : {"I 2 of 5", "EAN 128", "Trioptic", "Code 11"})
                choose(dialog, row, 1);
        }));
        first = askBarCode(nullptr);
    }
    ASSERT_TRUE(first);
    EXPECT_EQ(first->code39, opscore::Code39::Full);
    EXPECT_FALSE(first->i2of5);
    EXPECT_FALSE(first->ean128);
    EXPECT_FALSE(first->trioptic);
    EXPECT_FALSE(first->code11);
    EXPECT_TRUE(first->codabar && first->ean_upc && first->code128 && first->code93 && first->msi);
    // The choice is the table the terminal gets: FULL, I 2 of 5 off, Code 11 off.
    EXPECT_EQ(opscore::bar_table_text(opscore::TerminalKind::KD35, *first), "FFNNNNFN");

    {
        ModalAnswerer answerer(actThenOk<CBarCodeDlg>(
            [&](CBarCodeDlg& dialog) { seenSecond = chosenPositions(dialog, kBarRows); }));
        const auto second = askBarCode(nullptr);
        ASSERT_TRUE(second);
        EXPECT_EQ(opscore::bar_table_text(opscore::TerminalKind::VS17, *second), "EEEEEEEE");
    }
    const std::vector<int> allOn(10, 0);
    EXPECT_EQ(seenFirst, allOn);
    EXPECT_EQ(seenSecond, allOn);

    ModalAnswerer answerer(
        [](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Cancel); });
    EXPECT_EQ(askBarCode(nullptr), std::nullopt);
    EXPECT_EQ(answerer.answered(), 1);
}

TEST(HostDeviceTableDialogs, OpenAtTheirPresetsAndYieldTheButtonPositions) {
    CDeviceTableKD35Dlg kd35;
    EXPECT_EQ(kd35.windowTitle(), "Device configuration table for KD35/KD31/KD32");
    const QStringList kd35Rows = {"Scanner (External)", "Badge (Internal)", "Back-light", "Buzzer",
                                  "Beeper Vol.",        "Key lock"};
    EXPECT_EQ(chosenPositions(kd35, kd35Rows), std::vector<int>(6, 0));
    EXPECT_EQ(buttonTexts(kd35.row("Scanner (External)")),
              (QStringList{"Auto", "Pen", "MSR", "Off"}));
    EXPECT_EQ(buttonTexts(kd35.row("Key lock")), (QStringList{"Unlock", "Lock", "Partial lock"}));
    choose(kd35, "Scanner (External)", 3);
    choose(kd35, "Badge (Internal)", 1);
    choose(kd35, "Beeper Vol.", 2);
    choose(kd35, "Key lock", 2);
    EXPECT_EQ(pressOk(kd35), "");
    EXPECT_EQ(opscore::device_table_text(opscore::TerminalKind::KD35, kd35.choice()), "DMNNP9");

    CDeviceTableKD24Dlg kd24;
    EXPECT_EQ(kd24.windowTitle(), "Device configuration table for KD24");
    EXPECT_EQ(kd24.numberField("Beep volume")->text(), "7");
    EXPECT_EQ(chosenPositions(kd24, {"Back-light", "Interval"}), (std::vector<int>{0, 0}));
    choose(kd24, "Back-light", 1);
    kd24.numberField("Beep volume")->setText("3");
    EXPECT_EQ(kd24.choice().beep_volume, 7);  // taken on OK only
    EXPECT_EQ(pressOk(kd24), "");
    EXPECT_EQ(opscore::device_table_text(kd24.choice()), "AFFN3N");

    CDeviceTableVS17Dlg vs;
    EXPECT_EQ(vs.windowTitle(), "Device configuration table for VS17/VS19");
    EXPECT_EQ(vs.numberField("Auto-off")->text(), "5");
    EXPECT_EQ(buttonTexts(vs.row("Scanner")), (QStringList{"Auto", "Pen", "Off"}));
    EXPECT_EQ(chosenPositions(vs, {"Scanner", "Serial", "Back-light", "Buzzer", "Beeper Vol."}),
              std::vector<int>(5, 0));
    choose(vs, "Scanner", 1);
    choose(vs, "Serial", 1);
    choose(vs, "Beeper Vol.", 1);
    EXPECT_EQ(pressOk(vs), "");
    EXPECT_EQ(opscore::device_table_text(vs.choice()), "ANN 9F5 ");

    // Through the asking functions: each opens afresh at its presets; Cancel gives nothing.
    {
        ModalAnswerer answerer(actThenOk<CDeviceTableKD24Dlg>([](CDeviceTableKD24Dlg&) {}));
        EXPECT_EQ(askKd24Device(nullptr)->beep_volume, 7);
    }
    {
        ModalAnswerer answerer(actThenOk<CDeviceTableVS17Dlg>([](CDeviceTableVS17Dlg&) {}));
        EXPECT_EQ(askVs17Device(nullptr)->auto_off, 5);
    }
    ModalAnswerer answerer(
        [](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Cancel); });
    EXPECT_EQ(askKd35Device(nullptr), std::nullopt);
}

TEST(HostDeviceTableDialogs, NumberFieldsAreCheckedAtTheirBounds) {
    struct Case {
        const char* text;
        QString refusal;  // empty: accepted
    };
    CDeviceTableKD24Dlg kd24;
    CDeviceTableVS17Dlg vs;
    const QString kd24Range = "Please enter an integer between 0 and 7.";
    const QString vsRange = "Please enter an integer between 0 and 9.";
    const QString notInteger = "Please enter an integer.";
    const Case kd24Cases[] = {{"-1", kd24Range},   {"8", kd24Range}, {"", notInteger},
                              {"2.5", notInteger}, {"0", ""},        {"7", ""}};
    const Case vsCases[] = {
        {"-1", vsRange}, {"10", vsRange}, {"x", notInteger}, {"9", ""}, {"0", ""}};
    auto check = [](CTableDlg& dialog, QLineEdit* field, const Case& c) {
        dialog.setResult(QDialog::Rejected);
        field->setText(c.text);
        EXPECT_EQ(pressOk(dialog), c.refusal) << c.text;
        if (c.refusal.isEmpty()) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.text;
        } else {
            EXPECT_EQ(dialog.result(), QDialog::Rejected) << c.text;  // stays open
            EXPECT_EQ(dialog.focusWidget(), field) << c.text;
        }
    };
    for (const auto& c : kd24Cases) check(kd24, kd24.numberField("Beep volume"), c);
    EXPECT_EQ(kd24.choice().beep_volume, 7);  // the last one accepted
    for (const auto& c : vsCases) check(vs, vs.numberField("Auto-off"), c);
    EXPECT_EQ(vs.choice().auto_off, 0);

    // A refused value is never handed on: the caller gets the value once it is fixed.
    ModalAnswerer answerer([](QWidget* widget) {
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            auto* dialog = qobject_cast<CDeviceTableKD24Dlg*>(box->parentWidget()->window());
            box->button(QMessageBox::Ok)->click();
            if (dialog) dialog->numberField("Beep volume")->setText("6");
            return;
        }
        auto* dialog = qobject_cast<CDeviceTableKD24Dlg*>(widget);
        if (!dialog || !dialog->isVisible()) return;
        if (dialog->numberField("Beep volume")->text() == "7")
            dialog->numberField("Beep volume")->setText("99");
        // Pressed from the dialog's own loop, so that the refusal box is answered in turn.
        QMetaObject::invokeMethod(
            dialog, [dialog] { pressDialogButton(dialog, QDialogButtonBox::Ok); },
            Qt::QueuedConnection);
    });
    answerer.keepAnswering();
    EXPECT_EQ(askKd24Device(nullptr)->beep_volume, 6);
    EXPECT_EQ(answerer.lastText(), kd24Range);
}

TEST(HostChangeAddressDialog, FromListsTheAddressesInUseAndToTheFreeOnes) {
    CChangeAddressDlg dialog("KAM");
    EXPECT_EQ(dialog.windowTitle(), "Change addreee");
    EXPECT_EQ(entries(dialog.fromList()), (QStringList{"K", "A", "M"}));
    QStringList free;
    for (const char c : std::string("BCDEFGHIJLNOPQRSTUVWXY0123456")) free << QString(c);
    EXPECT_EQ(entries(dialog.toList()), free);
    EXPECT_EQ(free.size(), 29);
    EXPECT_EQ(dialog.fromList()->currentText(), "K");
    EXPECT_EQ(dialog.toList()->currentText(), "B");

    // OK yields the selected From and To.
    ModalAnswerer answerer([](QWidget* widget) {
        auto* shown = qobject_cast<CChangeAddressDlg*>(widget);
        if (!shown) return;
        shown->fromList()->setCurrentIndex(2);
        shown->toList()->setCurrentText("6");
        pressDialogButton(shown, QDialogButtonBox::Ok);
    });
    const auto change = askAddressChange("KAM", nullptr);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->from, 'M');
    EXPECT_EQ(change->to, '6');

    // A character outside the alphabet is offered to change from but strikes nothing.
    CChangeAddressDlg odd("Z7A6");
    EXPECT_EQ(entries(odd.fromList()), (QStringList{"Z", "7", "A", "6"}));
    EXPECT_EQ(odd.toList()->count(), 30);
    EXPECT_EQ(odd.toList()->itemText(0), "B");
    EXPECT_EQ(odd.toList()->itemText(29), "5");
}

TEST(HostChangeAddressDialog, AnEmptyListMakesOkGiveNothing) {
    CChangeAddressDlg full(kAddressAlphabet);
    EXPECT_EQ(full.fromList()->count(), 32);
    EXPECT_EQ(full.toList()->count(), 0);
    CChangeAddressDlg none("");
    EXPECT_EQ(none.fromList()->count(), 0);
    EXPECT_EQ(none.toList()->count(), 32);
    for (auto* dialog : {&full, &none}) {
        EXPECT_EQ(dialog->change(), std::nullopt);
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        dialog->accept();  // even when pressed some other way, it does not close with OK
        EXPECT_NE(dialog->result(), QDialog::Accepted);
    }

    ModalAnswerer answerer([](QWidget* widget) {
        // Enter means OK, which is refused here; only Cancel closes.
        pressDialogButton(widget, QDialogButtonBox::Ok);
        pressDialogButton(widget, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(askAddressChange(kAddressAlphabet, nullptr), std::nullopt);
    EXPECT_EQ(answerer.answered(), 1);
    // No operator to answer: the default answer is no change either.
    setOperatorCanAnswer(false);
    EXPECT_EQ(askAddressChange("", nullptr), std::nullopt);
    EXPECT_EQ(askAddressChange("AB", nullptr)->to, 'C');
    setOperatorCanAnswer(true);
}
