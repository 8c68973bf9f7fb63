// "Bar code symbology", the three device table dialogs and "Change addreee".
#include "table_dlgs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstring>

#include "dialog_parts.h"
#include "modal_boxes.h"
#include "table_dlg_classes.h"

namespace vantrel {

const char kAddressAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXY0123456";

namespace {

const QStringList kOnOffButtons = {"ON", "OFF"};
const QStringList kOnOff = {"On", "Off"};
const QStringList kVolumes = {"Low", "Medium", "High"};

template <typename Dialog>
auto runForChoice(Dialog& dialog) -> std::optional<decltype(dialog.choice())> {
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace

// --- the rows of a table dialog ---

CTableDlg::CTableDlg(const QString& title, QWidget* parent)
    : FittedDialog(parent), rows_(new QGridLayout) {
    setWindowTitle(title);
}

void CTableDlg::addRow(const QString& label, const QStringList& buttons) {
    const int row = static_cast<int>(groups_.size() + numbers_.size());
    rows_->addWidget(new QLabel(label, this), row, 0);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < buttons.size(); ++i) {
        auto* button = new QRadioButton(buttons[i], this);
        group->addButton(button, i);
        rows_->addWidget(button, row, 1 + i);
    }
    group->button(0)->setChecked(true);
    groups_.emplace_back(label, group);
}

void CTableDlg::addNumberRow(const QString& label, int preset, int min, int max) {
    const int row = static_cast<int>(groups_.size() + numbers_.size());
    auto* field = new QLineEdit(QString::number(preset), this);
    field->setMaximumWidth(60);
    rows_->addWidget(new QLabel(label, this), row, 0);
    rows_->addWidget(field, row, 1, 1, 2);
    rows_->addWidget(new QLabel(QString("(%1 - %2)").arg(min).arg(max), this), row, 3);
    numbers_.push_back({label, field, min, max, preset});
}

void CTableDlg::finish() {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows_);
    addOkCancel(this, layout);
}

QButtonGroup* CTableDlg::row(const QString& label) const {
    for (const auto& [name, group] : groups_)
        if (name == label) return group;
    return nullptr;
}

QLineEdit* CTableDlg::numberField(const QString& label) const {
    for (const auto& number : numbers_)
        if (number.label == label) return number.field;
    return nullptr;
}

int CTableDlg::chosen(const QString& label) const {
    return checkedIndex(row(label));
}

int CTableDlg::number(const QString& label) const {
    for (const auto& number : numbers_)
        if (number.label == label) return number.value;
    return 0;
}

void CTableDlg::accept() {
    std::vector<int> read;
    for (const auto& number : numbers_) {
        IntegerFieldRule rule;
        rule.min = number.min;
        rule.max = number.max;
        const auto value = readIntegerField(number.field, rule);
        if (!value) return;
        read.push_back(static_cast<int>(*value));
    }
    for (std::size_t i = 0; i < numbers_.size(); ++i) numbers_[i].value = read[i];
    QDialog::accept();
}

// --- Bar code symbology ---

CBarCodeDlg::CBarCodeDlg(QWidget* parent) : CTableDlg("Bar code symbology", parent) {
    addRow("Code 39", {"ON", "OFF", "FULL"});
    for (const char* label : {"I 2 of 5", "Code Bar", "EAN/UPC", "Code 128", "EAN 128", "Code 93",
                              "Trioptic", "MSI", "Code 11"}) {
        addRow(label, kOnOffButtons);
    }
    finish();
}

opscore::BarCodeChoice CBarCodeDlg::choice() const {
    auto on = [this](const char* label) { return chosen(label) == 0; };
    opscore::BarCodeChoice choice;
    choice.code39 = static_cast<opscore::Code39>(chosen("Code 39"));
    choice.i2of5 = on("I 2 of 5");
    choice.codabar = on("Code Bar");
    choice.ean_upc = on("EAN/UPC");
    choice.code128 = on("Code 128");
    choice.ean128 = on("EAN 128");
    choice.code93 = on("Code 93");
    choice.trioptic = on("Trioptic");
    choice.msi = on("MSI");
    choice.code11 = on("Code 11");
    return choice;
}

// --- the device tables ---

CDeviceTableKD35Dlg::CDeviceTableKD35Dlg(QWidget* parent)
    : CTableDlg("Device configuration table for KD35/KD31/KD32", parent) {
    addRow("Scanner (External)", {"Auto", "Pen", "MSR", "Off"});
    addRow("Badge (Internal)", {"Barcode", "MSR", "Off"});
    addRow("Back-light", kOnOff);
    addRow("Buzzer", kOnOff);
    addRow("Beeper Vol.", kVolumes);
    addRow("Key lock", {"Unlock", "Lock", "Partial lock"});
    finish();
}

opscore::Kd35DeviceChoice CDeviceTableKD35Dlg::choice() const {
    return {chosen("Scanner (External)"), chosen("Badge (Internal)"),
            chosen("Back-light"),         chosen("Buzzer"),
            chosen("Beeper Vol."),        chosen("Key lock")};
}

CDeviceTableKD24Dlg::CDeviceTableKD24Dlg(QWidget* parent)
    : CTableDlg("Device configuration table for KD24", parent) {
    addRow("Back-light", kOnOff);
    addRow("Interval", kOnOff);
    addNumberRow("Beep volume", 7, 0, 7);
    finish();
}

opscore::Kd24DeviceChoice CDeviceTableKD24Dlg::choice() const {
    return {chosen("Back-light"), chosen("Interval"), number("Beep volume")};
}

CDeviceTableVS17Dlg::CDeviceTableVS17Dlg(QWidget* parent)
    : CTableDlg("Device configuration table for VS17/VS19", parent) {
    addRow("Scanner", {"Auto", "Pen", "Off"});
    addRow("Serial", kOnOff);
    addRow("Back-light", kOnOff);
    addRow("Buzzer", kOnOff);
    addRow("Beeper Vol.", kVolumes);
    addNumberRow("Auto-off", 5, 0, 9);
    finish();
}

opscore::Vs17DeviceChoice CDeviceTableVS17Dlg::choice() const {
    return {chosen("Scanner"), chosen("Serial"),      chosen("Back-light"),
            chosen("Buzzer"),  chosen("Beeper Vol."), number("Auto-off")};
}

// --- Change addreee ---

CChangeAddressDlg::CChangeAddressDlg(const std::string& addresses, QWidget* parent)
    : FittedDialog(parent), from_(new QComboBox(this)), to_(new QComboBox(this)) {
    // The title is the one the operators' manuals show.
    setWindowTitle("Change addreee");
    std::string free = kAddressAlphabet;
    for (const char address : addresses) {
        from_->addItem(QString(QChar::fromLatin1(address)));
        if (const char* place = std::strchr(kAddressAlphabet, address); place && address != 0)
            free[static_cast<std::size_t>(place - kAddressAlphabet)] = 0;
    }
    for (const char address : free)
        if (address != 0) to_->addItem(QString(QChar::fromLatin1(address)));
    from_->setCurrentIndex(0);
    to_->setCurrentIndex(0);

    auto* layout = new QVBoxLayout(this);
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel("From", this), 0, 0);
    lists->addWidget(from_, 0, 1);
    lists->addWidget(new QLabel("To", this), 1, 0);
    lists->addWidget(to_, 1, 1);
    layout->addLayout(lists);
    addOkCancel(this, layout);
    // With nothing to change from, or nowhere to change to, OK would send nothing sensible.
    if (!change()) {
        for (auto* box : findChildren<QDialogButtonBox*>())
            box->button(QDialogButtonBox::Ok)->setEnabled(false);
    }
}

std::optional<AddressChange> CChangeAddressDlg::change() const {
    if (from_->currentIndex() < 0 || to_->currentIndex() < 0) return std::nullopt;
    return AddressChange{from_->currentText().toLatin1().at(0),
                         to_->currentText().toLatin1().at(0)};
}

void CChangeAddressDlg::accept() {
    if (change()) QDialog::accept();
}

// --- asking ---

std::optional<opscore::BarCodeChoice> askBarCode(QWidget* owner) {
    CBarCodeDlg dialog(owner);
    return runForChoice(dialog);
}

std::optional<opscore::Kd35DeviceChoice> askKd35Device(QWidget* owner) {
    CDeviceTableKD35Dlg dialog(owner);
    return runForChoice(dialog);
}

std::optional<opscore::Kd24DeviceChoice> askKd24Device(QWidget* owner) {
    CDeviceTableKD24Dlg dialog(owner);
    return runForChoice(dialog);
}

std::optional<opscore::Vs17DeviceChoice> askVs17Device(QWidget* owner) {
    CDeviceTableVS17Dlg dialog(owner);
    return runForChoice(dialog);
}

std::optional<AddressChange> askAddressChange(const std::string& addresses, QWidget* owner) {
    CChangeAddressDlg dialog(addresses, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.change();
}

}  // namespace vantrel
