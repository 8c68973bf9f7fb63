#include "comm_param_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "modal_boxes.h"

namespace vantrel {

CCommParamDlg::CCommParamDlg(const CommParamValues& initial, QWidget* parent)
    : QDialog(parent), values_(initial) {
    setWindowTitle("Communication Parameter");
    auto* groups = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* middle = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    groups->addLayout(left);
    groups->addLayout(middle);
    groups->addLayout(right);

    baud_ = addRadioGroup(this, left, "&Baud Rate", baudRateLabels(), initial.baudIndex);
    dataBits_ = addRadioGroup(this, middle, "&Data Bits", {"7", "8"}, initial.dataBitsIndex);
    parity_ = addRadioGroup(this, middle, "P&arity", {"None", "Odd", "Even"}, initial.parityIndex);
    stopBits_ = addRadioGroup(this, middle, "&Stop Bits", {"1", "2"}, initial.stopBitsIndex);
    port_ =
        addRadioGroup(this, right, "&Port", {"COM1", "COM2", "COM3", "COM4"}, initial.portIndex);
    errorLog_ =
        addRadioGroup(this, right, "Error Log file", {"No", "Append", "New"}, initial.errorLogMode);

    address_ = new QLineEdit(QString::fromStdString(initial.addressList), this);
    powerSaving_ = new QCheckBox("Power Saving", this);
    powerSaving_->setChecked(initial.powerSaving != 0);
    escDelay_ = new QLineEdit(QString::number(initial.escDelay), this);
    nakDelay_ = new QLineEdit(QString::number(initial.nakDelay), this);
    timeOut_ = new QLineEdit(QString::number(initial.timeOut), this);
    auto* fields = new QFormLayout;
    fields->addRow("&Address:", address_);
    fields->addRow("ESC delay", escDelay_);
    fields->addRow("NAK delay", nakDelay_);
    fields->addRow("Time out", timeOut_);
    fields->addRow(powerSaving_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(fields);
    addOkCancel(this, layout);
}

void CCommParamDlg::accept() {
    const IntegerFieldRule plainInt;
    const auto esc = readIntegerField(escDelay_, plainInt);
    if (!esc) return;
    const auto nak = readIntegerField(nakDelay_, plainInt);
    if (!nak) return;
    const auto timeOut = readIntegerField(timeOut_, plainInt);
    if (!timeOut) return;
    values_.baudIndex = checkedIndex(baud_);
    values_.dataBitsIndex = checkedIndex(dataBits_);
    values_.parityIndex = checkedIndex(parity_);
    values_.portIndex = checkedIndex(port_);
    values_.stopBitsIndex = checkedIndex(stopBits_);
    values_.errorLogMode = checkedIndex(errorLog_);
    values_.addressList = address_->text().toUpper().toStdString();
    values_.powerSaving = powerSaving_->isChecked() ? 1 : 0;
    values_.escDelay = static_cast<int>(*esc);
    values_.nakDelay = static_cast<int>(*nak);
    values_.timeOut = static_cast<std::int32_t>(*timeOut);
    QDialog::accept();
}

std::optional<CommParamValues> CCommParamDlg::ask(const CommParamValues& initial, QWidget* parent) {
    CCommParamDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace vantrel
