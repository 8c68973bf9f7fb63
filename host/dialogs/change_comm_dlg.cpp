#include "change_comm_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "modal_boxes.h"

namespace vantrel {

CChangeCommDlg::CChangeCommDlg(const ChangeCommValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial) {
    setWindowTitle("Change comm. parameter");
    auto* groups = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    groups->addLayout(left);
    groups->addLayout(right);
    baud_ = addRadioGroup(this, left, "&Baud Rate", baudRateLabels(), initial.baudIndex);
    parity_ = addRadioGroup(this, right, "P&arity", {"None", "Odd", "Even"}, initial.parityIndex);
    dataBits_ = addRadioGroup(this, right, "&Data Bits", {"7", "8"}, initial.dataBitsIndex);
    stopBits_ = addRadioGroup(this, right, "&Stop Bits", {"1", "2"}, initial.stopBitsIndex);

    changePc_ = new QCheckBox("Change PC parameter", this);
    changePc_->setChecked(initial.changePc != 0);
    timeout_ = new QLineEdit(QString::number(initial.terminalTimeout), this);
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(new QLabel("Time-out", this));
    timeoutRow->addWidget(timeout_);
    timeoutRow->addWidget(new QLabel("/ 10 second", this));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(timeoutRow);
    layout->addWidget(changePc_);
    addOkCancel(this, layout);
}

void CChangeCommDlg::accept() {
    IntegerFieldRule rule;
    rule.typeMin = 0;
    rule.typeMax = UINT32_MAX;
    rule.isUnsigned = true;
    rule.min = 0;
    rule.max = 99;
    const auto timeout = readIntegerField(timeout_, rule);
    if (!timeout) return;
    values_.baudIndex = checkedIndex(baud_);
    values_.parityIndex = checkedIndex(parity_);
    values_.dataBitsIndex = checkedIndex(dataBits_);
    values_.stopBitsIndex = checkedIndex(stopBits_);
    values_.changePc = changePc_->isChecked() ? 1 : 0;
    values_.terminalTimeout = static_cast<unsigned>(*timeout);
    QDialog::accept();
}

std::optional<ChangeCommValues> CChangeCommDlg::ask(const ChangeCommValues& initial,
                                                    QWidget* parent) {
    CChangeCommDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace vantrel
