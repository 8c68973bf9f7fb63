#include "modem_setting_dlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "file_open_dlg.h"
#include "modal_boxes.h"
#include "phone_book_dlg.h"

namespace vantrel {

namespace {

QLineEdit* addFieldGroup(QWidget* owner, QBoxLayout* layout, const QString& title,
                         const QString& text) {
    auto* box = new QGroupBox(title, owner);
    auto* field = new QLineEdit(text, box);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(field);
    layout->addWidget(box);
    return field;
}

}  // namespace

CModemSettingDlg::CModemSettingDlg(const ModemSettingValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial) {
    setWindowTitle("Modem Setting");
    auto* layout = new QVBoxLayout(this);
    mode_ = addRadioGroup(this, layout, QString(), {"No Modem", "Use Modem"}, initial.modemMode);
    initialCommand_ = addFieldGroup(this, layout, "Modem Initial command",
                                    QString::fromStdString(initial.initialCommand));
    initialCommand_->setMaxLength(kModemInitialCommandMax);
    dialWait_ = addFieldGroup(this, layout, "Maxi. dial waiting time (seconds)",
                              QString::number(initial.dialWait));
    auto* phoneBook = new QPushButton("Phone Book", this);
    phoneBook->setAutoDefault(false);
    connect(phoneBook, &QPushButton::clicked, this, &CModemSettingDlg::editPhoneBook);
    layout->addWidget(phoneBook);
    addOkCancel(this, layout);
}

void CModemSettingDlg::editPhoneBook() {
    if (auto edited = CPhoneBookDlg::ask(values_.phoneBook, this))
        values_.phoneBook = std::move(*edited);
}

void CModemSettingDlg::accept() {
    IntegerFieldRule rule;
    rule.min = 1;
    rule.max = 120;
    if (!fitsSettingsBytes(this, initialCommand_->text(), std::size_t{kModemInitialCommandMax},
                           "initial command"))
        return;
    const auto wait = readIntegerField(dialWait_, rule);
    if (!wait) return;
    values_.modemMode = checkedIndex(mode_);
    values_.initialCommand = initialCommand_->text().toStdString();
    values_.dialWait = static_cast<int>(*wait);
    QDialog::accept();
}

std::optional<ModemSettingValues> CModemSettingDlg::ask(const ModemSettingValues& initial,
                                                        QWidget* parent) {
    CModemSettingDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace vantrel
