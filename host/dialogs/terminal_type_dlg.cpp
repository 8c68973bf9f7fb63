#include "terminal_type_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "modal_boxes.h"

namespace vantrel {

namespace {

QString modelName(TerminalType type) {
    const std::string_view name = opscore::terminal_kind_name(type);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

CTerminalTypeDlg::CTerminalTypeDlg(const TerminalTypeChoice& initial, QWidget* parent)
    : FittedDialog(parent),
      useDefaultDelays_(new QCheckBox("Use default delay time", this)),
      types_(new QButtonGroup(this)) {
    setWindowTitle("Terminal type select");
    auto* typeBox = new QGroupBox("Type", this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    for (int i = 0; i < kTerminalTypes; ++i) {
        auto* button = new QRadioButton(modelName(static_cast<TerminalType>(i)), typeBox);
        types_->addButton(button, i);
        typeLayout->addWidget(button);
    }
    types_->setExclusive(true);
    if (auto* chosen = types_->button(initial.terminalType)) chosen->setChecked(true);
    useDefaultDelays_->setChecked(initial.useDefaultDelays != 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(typeBox);
    layout->addWidget(useDefaultDelays_);
    layout->addWidget(buttons);
}

TerminalTypeChoice CTerminalTypeDlg::choice() const {
    return {useDefaultDelays_->isChecked() ? 1 : 0, types_->checkedId()};
}

std::optional<TerminalTypeChoice> CTerminalTypeDlg::ask(const TerminalTypeChoice& initial,
                                                        QWidget* parent) {
    CTerminalTypeDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace vantrel
