#include "command_line_dlg.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "modal_boxes.h"

namespace vantrel {

CCommandLineDlg::CCommandLineDlg(const CommandLineValues& initial, QWidget* parent)
    : FittedDialog(parent),
      autoExit_(new QCheckBox("Automatically exit program", this)),
      showErrorBox_(new QCheckBox("Show error message box when error", this)) {
    setWindowTitle("Command line setting");
    autoExit_->setChecked(initial.autoExit != 0);
    showErrorBox_->setChecked(initial.showErrorBox != 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoExit_);
    layout->addWidget(showErrorBox_);
    addOkCancel(this, layout);
}

CommandLineValues CCommandLineDlg::values() const {
    return {autoExit_->isChecked() ? 1 : 0, showErrorBox_->isChecked() ? 1 : 0};
}

std::optional<CommandLineValues> CCommandLineDlg::ask(const CommandLineValues& initial,
                                                      QWidget* parent) {
    CCommandLineDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace vantrel
