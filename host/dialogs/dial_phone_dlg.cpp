#include "dial_phone_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include "modal_boxes.h"

namespace vantrel {

CDialPhoneDlg::CDialPhoneDlg(const std::vector<std::string>& entries, QWidget* parent)
    : FittedDialog(parent), list_(new QListWidget(this)) {
    setWindowTitle("Dial Phone No.");
    // The entries are laid out in columns of blanks.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setSortingEnabled(true);
    for (const auto& entry : entries) list_->addItem(QString::fromStdString(entry));
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        chosen_ = item->text().toStdString();
        accept();
    });

    auto* buttons = new QDialogButtonBox(this);
    auto* connectButton = buttons->addButton("Connect", QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connectButton->setDefault(true);
    connect(connectButton, &QPushButton::clicked, this, &CDialPhoneDlg::connectSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(520, 300);
}

void CDialPhoneDlg::connectSelected() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) {
        showMessageBox(this, QMessageBox::Information, QApplication::applicationName(),
                       "Please select one item");
        return;
    }
    chosen_ = item->text().toStdString();
    accept();
}

std::optional<std::string> CDialPhoneDlg::ask(const std::vector<std::string>& entries,
                                              QWidget* parent) {
    CDialPhoneDlg dialog(entries, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.chosenEntry();
}

}  // namespace vantrel
