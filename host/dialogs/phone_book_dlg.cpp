#include "phone_book_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "file_open_dlg.h"
#include "host_settings.h"
#include "modal_boxes.h"
#include "phone_book.h"

namespace vantrel {

namespace {

QString trailingBlanksRemoved(const std::string& text) {
    QString field = QString::fromStdString(text);
    while (field.endsWith(' ')) field.chop(1);
    return field;
}

}  // namespace

CPhoneBookDlg::CPhoneBookDlg(const std::vector<std::string>& entries, QWidget* parent)
    : FittedDialog(parent),
      name_(new QLineEdit(this)),
      number_(new QLineEdit(this)),
      list_(new QListWidget(this)) {
    setWindowTitle("PHONE BOOK");
    name_->setMaxLength(static_cast<int>(kPhoneNameMax));
    number_->setMaxLength(static_cast<int>(kPhoneNumberMax));
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setSortingEnabled(true);
    for (const auto& entry : entries) list_->addItem(QString::fromStdString(entry));
    if (list_->count() > 0) list_->setCurrentRow(0);
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { takeIntoFields(list_->row(item)); });

    auto* fields = new QFormLayout;
    fields->addRow("Name", name_);
    fields->addRow("Phone no", number_);

    auto* editButtons = new QHBoxLayout;
    const std::pair<const char*, void (CPhoneBookDlg::*)()> actions[] = {
        {"Add new", &CPhoneBookDlg::addNew},
        {"Delete", &CPhoneBookDlg::deleteSelected},
        {"Modify", &CPhoneBookDlg::modifySelected}};
    for (const auto& [caption, action] : actions) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, action);
        editButtons->addWidget(button);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(editButtons);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(560, 360);
}

std::vector<std::string> CPhoneBookDlg::entries() const {
    std::vector<std::string> texts;
    for (int i = 0; i < list_->count(); ++i) texts.push_back(list_->item(i)->text().toStdString());
    return texts;
}

void CPhoneBookDlg::tell(const char* text) {
    showMessageBox(this, QMessageBox::Information, QApplication::applicationName(), text);
}

bool CPhoneBookDlg::fieldsFilled() {
    if (name_->text().isEmpty() || number_->text().isEmpty()) {
        tell("Phone no and name can't be empty !");
        return false;
    }
    return fitsSettingsBytes(this, name_->text(), kPhoneNameMax, "name") &&
           fitsSettingsBytes(this, number_->text(), kPhoneNumberMax, "phone number");
}

void CPhoneBookDlg::addEntry() {
    const std::string entry =
        typedPhoneEntry(name_->text().toStdString(), number_->text().toStdString());
    auto* item = new QListWidgetItem(QString::fromStdString(entry));
    list_->addItem(item);
    list_->setCurrentItem(item);
}

void CPhoneBookDlg::addNew() {
    if (!fieldsFilled()) return;
    // The settings hold 100 entries; a 101st would be dropped without a word on saving.
    if (list_->count() >= kPhoneBookEntries) {
        tell("Phone book is full !");
        return;
    }
    addEntry();
}

void CPhoneBookDlg::deleteSelected() {
    const int row = list_->currentRow();
    if (row < 0) return;
    delete list_->takeItem(row);
    if (list_->count() > 0) list_->setCurrentRow(row > 0 ? row - 1 : 0);
}

void CPhoneBookDlg::modifySelected() {
    if (!fieldsFilled()) return;
    const int row = list_->currentRow();
    if (row < 0) {
        tell("Please select one item");
        return;
    }
    delete list_->takeItem(row);
    addEntry();
}

void CPhoneBookDlg::takeIntoFields(int row) {
    if (row < 0 || row >= list_->count()) return;
    const std::string entry = list_->item(row)->text().toStdString();
    name_->setText(trailingBlanksRemoved(phoneEntryName(entry)));
    number_->setText(trailingBlanksRemoved(phoneEntryNumber(entry)));
}

std::optional<std::vector<std::string>> CPhoneBookDlg::ask(const std::vector<std::string>& entries,
                                                           QWidget* parent) {
    CPhoneBookDlg dialog(entries, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.entries();
}

}  // namespace vantrel
