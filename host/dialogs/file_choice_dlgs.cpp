// "Browse Terminal File", "Browse Multi File" and "Browse directory files".
#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "file_open_dlg.h"
#include "modal_boxes.h"
#include "transfer_file_dlg_classes.h"

namespace vantrel {

namespace {

// The room a terminal file name has in the commands that use it.
constexpr qsizetype kTerminalFileNameMax = 19;

bool isExeName(const QString& name) {
    return name.size() >= 5 && name.right(4).toUpper() == ".EXE";
}

QListWidget* titledList(QWidget* owner, QBoxLayout* layout, const QString& title) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(title, owner));
    auto* list = new QListWidget(owner);
    column->addWidget(list);
    layout->addLayout(column);
    return list;
}

std::vector<std::string> latin1Entries(const QListWidget* list) {
    std::vector<std::string> entries;
    for (int row = 0; row < list->count(); ++row)
        entries.push_back(list->item(row)->text().toLatin1().toStdString());
    return entries;
}

std::vector<std::string> pathEntries(const QListWidget* list) {
    std::vector<std::string> entries;
    for (int row = 0; row < list->count(); ++row)
        entries.push_back(list->item(row)->text().toStdString());
    return entries;
}

// Takes the entry out of one list and into the other, where the sort puts it.
void moveEntry(QListWidget* from, QListWidget* to, QListWidgetItem* item) {
    const QString text = item->text();
    delete from->takeItem(from->row(item));
    insertSorted(to, text);
}

}  // namespace

QStringList listingNames(const std::string& listing, bool exeOnly) {
    QStringList names;
    // Leading, trailing and doubled commas leave empty pieces: they name no file.
    for (const QString& piece : QString::fromLatin1(listing).split(',', Qt::SkipEmptyParts))
        if (!exeOnly || isExeName(piece)) names << piece;
    return names;
}

int insertSorted(QListWidget* list, const QString& text) {
    int row = 0;
    while (row < list->count() &&
           QString::compare(list->item(row)->text(), text, Qt::CaseInsensitive) <= 0)
        ++row;
    list->insertItem(row, text);
    return row;
}

QString tooManyFilesText(std::size_t count) {
    return QString("Too many files selected (%1): please select no more than %2.")
        .arg(static_cast<qulonglong>(count))
        .arg(static_cast<qulonglong>(kChosenFilesMax));
}

// --- shared parts ---

CFileChoiceDlg::CFileChoiceDlg(const FileChoiceInput& input, const QString& title, QWidget* parent)
    : FittedDialog(parent),
      input_(input),
      addresses_(new QListWidget(this)),
      currentLabel_(new QLabel(this)),
      terminal_(nullptr) {
    setWindowTitle(title);
    for (const char address : input.addresses)
        insertSorted(addresses_, QString(QChar::fromLatin1(address)));
    if (addresses_->count() > 0) {
        addresses_->setCurrentRow(0);
        current_ = addresses_->item(0)->text().toLatin1().at(0);
    }
    currentLabel_->setText(QString("Current: %1").arg(QChar::fromLatin1(current_)));
    connect(addresses_, &QListWidget::itemDoubleClicked, this, &CFileChoiceDlg::makeCurrent);
}

void CFileChoiceDlg::addAddressControls(QBoxLayout* layout) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel("Address", this));
    column->addWidget(addresses_);
    column->addWidget(currentLabel_);
    terminal_ = addRadioGroup(this, column, "Terminal", {"Single Terminal", "All Terminals"},
                              input_.terminalChoice);
    layout->addLayout(column);
}

int CFileChoiceDlg::terminalChoice() const {
    return terminal_ ? checkedIndex(terminal_) : input_.terminalChoice;
}

std::string CFileChoiceDlg::currentListing() const {
    const auto position = input_.addresses.rfind(current_);
    if (current_ == 0 || position == std::string::npos || position >= input_.listings.size())
        return {};
    return input_.listings[position];
}

void CFileChoiceDlg::makeCurrent(QListWidgetItem* item) {
    current_ = item->text().toLatin1().at(0);
    currentLabel_->setText(QString("Current: %1").arg(QChar::fromLatin1(current_)));
    addressChanged();
}

void CFileChoiceDlg::refuse(const QString& text) {
    showMessageBox(this, QMessageBox::Warning, QApplication::applicationName(), text);
}

// --- Browse Terminal File ---

CBrowseTerminalFileDlg::CBrowseTerminalFileDlg(const FileChoiceInput& input, const QString& caption,
                                               bool exeOnly, QWidget* parent)
    : CFileChoiceDlg(input, "Browse Terminal File", parent),
      caption_(caption),
      exeOnly_(exeOnly),
      line_(new QLineEdit(this)),
      files_(new QListWidget(this)) {
    auto* fileColumn = new QVBoxLayout;
    fileColumn->addWidget(new QLabel("File", this));
    fileColumn->addWidget(line_);
    fileColumn->addWidget(files_);
    auto* columns = new QHBoxLayout;
    columns->addLayout(fileColumn);
    addAddressControls(columns);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    addOkCancel(this, layout);

    // The edit line shows the selected entry; typing selects the first entry it begins.
    connect(files_, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (!line_->hasFocus()) line_->setText(text);
    });
    connect(line_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        const auto matches = files_->findItems(typed, Qt::MatchStartsWith);
        files_->setCurrentItem(matches.isEmpty() || typed.isEmpty() ? nullptr : matches.front());
    });
    connect(files_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        files_->setCurrentItem(item);
        accept();
    });
    fillFiles();
}

void CBrowseTerminalFileDlg::fillFiles() {
    files_->clear();
    for (const QString& name : listingNames(currentListing(), exeOnly_)) insertSorted(files_, name);
    files_->setCurrentRow(files_->count() > 0 ? 0 : -1);
    line_->setText(chosenFile());
}

QString CBrowseTerminalFileDlg::chosenFile() const {
    const auto* item = files_->currentItem();
    return item ? item->text() : QString();
}

void CBrowseTerminalFileDlg::accept() {
    if (chosenFile().size() > kTerminalFileNameMax) {
        refuse(QString("The file name is too long: a terminal file name has at most %1 "
                       "characters.")
                   .arg(kTerminalFileNameMax));
        return;
    }
    QDialog::accept();
}

void CBrowseTerminalFileDlg::showEvent(QShowEvent* event) {
    setWindowTitle(caption_);
    CFileChoiceDlg::showEvent(event);
}

void CBrowseTerminalFileDlg::addressChanged() {
    fillFiles();
}

// --- Browse Multi File ---

CBrowseMultiFileDlg::CBrowseMultiFileDlg(const FileChoiceInput& input, QWidget* parent)
    : CFileChoiceDlg(input, "Browse Multi File", parent), available_(nullptr), selected_(nullptr) {
    auto* columns = new QHBoxLayout;
    available_ = titledList(this, columns, "Available files");
    selected_ = titledList(this, columns, "Selected Files");
    addAddressControls(columns);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    addOkCancel(this, layout);

    connect(available_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveEntry(available_, selected_, item); });
    connect(selected_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveEntry(selected_, available_, item); });
    fillFiles();
}

void CBrowseMultiFileDlg::fillFiles() {
    available_->clear();
    // What was chosen belongs to the terminal that was current.
    selected_->clear();
    for (const QString& name : listingNames(currentListing(), false))
        insertSorted(available_, name);
    if (available_->count() > 0) available_->setCurrentRow(0);
}

std::vector<std::string> CBrowseMultiFileDlg::selectedFiles() const {
    return latin1Entries(selected_);
}

void CBrowseMultiFileDlg::accept() {
    const auto count = static_cast<std::size_t>(selected_->count());
    if (count > kChosenFilesMax) return refuse(tooManyFilesText(count));
    QDialog::accept();
}

void CBrowseMultiFileDlg::addressChanged() {
    fillFiles();
}

// --- Browse directory files ---

CBrowseDirFilesDlg::CBrowseDirFilesDlg(const FileChoiceInput& input, QWidget* parent)
    : CFileChoiceDlg(input, "Browse directory files", parent), selected_(nullptr) {
    auto* columns = new QHBoxLayout;
    selected_ = titledList(this, columns, "Selected files");
    addAddressControls(columns);
    auto* browseButton = new QPushButton("Browse", this);
    browseButton->setAutoDefault(false);
    connect(browseButton, &QPushButton::clicked, this, &CBrowseDirFilesDlg::browse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(browseButton);
    addOkCancel(this, layout);

    connect(selected_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { delete selected_->takeItem(selected_->row(item)); });
}

void CBrowseDirFilesDlg::browse() {
    if (const auto chosen = chooseFileToOpen(this, {kAllFilesFilter, "*.*", true}))
        insertSorted(selected_, *chosen);
}

std::vector<std::string> CBrowseDirFilesDlg::selectedFiles() const {
    return pathEntries(selected_);
}

void CBrowseDirFilesDlg::accept() {
    const auto count = static_cast<std::size_t>(selected_->count());
    if (count > kChosenFilesMax) return refuse(tooManyFilesText(count));
    QDialog::accept();
}

}  // namespace vantrel
