#include "transfer_file_dlgs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "file_open_dlg.h"
#include "modal_boxes.h"
#include "terminal_files.h"
#include "transfer_file_dlg_classes.h"

namespace vantrel {

namespace {

// The longest file name the settings file gives back for a transfer list entry.
constexpr std::size_t kTransferFileNameMax = 119;

QLineEdit* fileNameField(QWidget* owner, const std::string& name) {
    auto* field = new QLineEdit(QString::fromStdString(name), owner);
    field->setMaxLength(static_cast<int>(kTransferFileNameMax));
    field->setMinimumWidth(180);
    return field;
}

std::string limited(const std::string& name) {
    return name.substr(0, kTransferFileNameMax);
}

// Every field fits the settings file whole; the first that does not takes the focus.
bool fieldsFitSettings(QWidget* owner, const std::array<QLineEdit*, kTransferFiles>& fields) {
    for (QLineEdit* field : fields) {
        if (fitsSettingsText(owner, field->text(), kTransferFileNameMax)) continue;
        field->setFocus();
        return false;
    }
    return true;
}

// Entries that differ only by the EMS prefix or the flash-ROM suffix would be kept in one PC
// file, the later copy over the earlier: the later entry is refused and takes the focus.
bool entriesKeptApart(QWidget* owner, const std::array<QLineEdit*, kTransferFiles>& fields) {
    for (int later = 1; later < kTransferFiles; ++later) {
        const std::string name = fields[later]->text().toStdString();
        for (int earlier = 0; earlier < later && !name.empty(); ++earlier) {
            const std::string other = fields[earlier]->text().toStdString();
            if (opscore::local_name_of(other) != opscore::local_name_of(name)) continue;
            showMessageBox(owner, QMessageBox::Warning, QApplication::applicationName(),
                           QString("File %1 would be kept in the same PC file as file %2.")
                               .arg(later + 1)
                               .arg(earlier + 1));
            fields[later]->setFocus();
            return false;
        }
    }
    return true;
}

}  // namespace

UploadFilesValues uploadFilesValuesFor(const HostSettings& s) {
    UploadFilesValues v;
    v.files = s.UploadFiles;
    v.deletes = s.UploadDeletes;
    v.saveMode = static_cast<int>(s.Upload_Save_Mode);
    v.loop = s.Upload_Loop;
    v.period = s.Upload_Period;
    return v;
}

void applyUploadFilesValues(const UploadFilesValues& v, HostSettings& s) {
    for (int i = 0; i < kTransferFiles; ++i) s.UploadFiles[i] = limited(v.files[i]);
    s.UploadDeletes = v.deletes;
    if (v.saveMode >= 0 && v.saveMode <= 2)
        s.Upload_Save_Mode = static_cast<UploadSaveMode>(v.saveMode);
    s.Upload_Loop = v.loop;
    s.Upload_Period = v.period;
}

DownloadFilesValues downloadFilesValuesFor(const HostSettings& s) {
    return {s.DownloadFiles};
}

void applyDownloadFilesValues(const DownloadFilesValues& v, HostSettings& s) {
    for (int i = 0; i < kTransferFiles; ++i) s.DownloadFiles[i] = limited(v.files[i]);
}

// --- Upload - files ---

CUploadFilesDlg::CUploadFilesDlg(const UploadFilesValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial) {
    setWindowTitle("Upload - files");
    auto* rows = new QHBoxLayout;
    constexpr int kPerColumn = kTransferFiles / 2;
    for (int column = 0; column < 2; ++column) {
        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel("File Name", this), 0, 1);
        grid->addWidget(new QLabel("Del", this), 0, 2);
        for (int r = 0; r < kPerColumn; ++r) {
            const int row = column * kPerColumn + r;
            files_[row] = fileNameField(this, initial.files[row]);
            deletes_[row] = new QCheckBox(this);
            deletes_[row]->setChecked(initial.deletes[row]);
            grid->addWidget(new QLabel(QString::number(row + 1), this), r + 1, 0);
            grid->addWidget(files_[row], r + 1, 1);
            grid->addWidget(deletes_[row], r + 1, 2);
        }
        rows->addLayout(grid);
    }

    auto* options = new QHBoxLayout;
    saveMode_ = addRadioGroup(this, options, "File save mode", {"New", "Over-write", "Append"},
                              initial.saveMode);
    auto* loopBox = new QGroupBox("Loop", this);
    auto* loopLayout = new QHBoxLayout(loopBox);
    loop_ = new QCheckBox("Yes", loopBox);
    loop_->setChecked(initial.loop);
    period_ = new QLineEdit(QString::number(initial.period), loopBox);
    loopLayout->addWidget(loop_);
    loopLayout->addWidget(new QLabel("Period", loopBox));
    loopLayout->addWidget(period_);
    loopLayout->addWidget(new QLabel("sec.", loopBox));
    options->addWidget(loopBox);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(options);
    addOkCancel(this, layout);
}

void CUploadFilesDlg::accept() {
    if (!fieldsFitSettings(this, files_) || !entriesKeptApart(this, files_)) return;
    const auto period = readIntegerField(period_, IntegerFieldRule{});
    if (!period) return;
    for (int i = 0; i < kTransferFiles; ++i) {
        values_.files[i] = files_[i]->text().toStdString();
        values_.deletes[i] = deletes_[i]->isChecked();
    }
    values_.saveMode = checkedIndex(saveMode_);
    values_.loop = loop_->isChecked();
    values_.period = static_cast<int>(*period);
    QDialog::accept();
}

// --- Download - files ---

CDownloadFilesDlg::CDownloadFilesDlg(const DownloadFilesValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial), opened_(initial) {
    setWindowTitle("Download - files");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("File Name", this), 0, 1);
    for (int i = 0; i < kTransferFiles; ++i) {
        files_[i] = fileNameField(this, initial.files[i]);
        files_[i]->installEventFilter(this);
        grid->addWidget(new QLabel(QString::number(i + 1), this), i + 1, 0);
        grid->addWidget(files_[i], i + 1, 1);
        // Every field, the first too: a name typed there must survive a Browse into another.
        connect(files_[i], &QLineEdit::textChanged, this, &CDownloadFilesDlg::takeAllFields);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* browseButton = buttons->addButton("Browse", QDialogButtonBox::ActionRole);
    browseButton->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browseButton, &QPushButton::clicked, this, &CDownloadFilesDlg::browse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

bool CDownloadFilesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < kTransferFiles; ++i)
            if (watched == files_[i]) current_ = i;
    }
    return QDialog::eventFilter(watched, event);
}

void CDownloadFilesDlg::takeAllFields() {
    for (int i = 0; i < kTransferFiles; ++i) values_.files[i] = files_[i]->text().toStdString();
}

void CDownloadFilesDlg::showValues() {
    for (int i = 0; i < kTransferFiles; ++i) {
        const QSignalBlocker quiet(files_[i]);
        files_[i]->setText(QString::fromStdString(values_.files[i]));
    }
}

void CDownloadFilesDlg::browse() {
    const auto chosen = chooseFileToOpen(this, {kAllFilesFilter, "*.*", true});
    if (!chosen || !fitsSettingsText(this, *chosen, kTransferFileNameMax)) return;
    values_.files[current_] = chosen->toStdString();
    showValues();
}

void CDownloadFilesDlg::accept() {
    if (fieldsFitSettings(this, files_)) QDialog::accept();
}

void CDownloadFilesDlg::reject() {
    values_ = opened_;
    showValues();
    QDialog::reject();
}

// --- asking ---

std::optional<UploadFilesValues> askUploadFiles(const UploadFilesValues& initial, QWidget* owner) {
    CUploadFilesDlg dialog(initial, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

std::optional<DownloadFilesValues> askDownloadFiles(const DownloadFilesValues& initial,
                                                    QWidget* owner) {
    CDownloadFilesDlg dialog(initial, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

std::optional<FileChoice> askTerminalFiles(const FileChoiceInput& input, QWidget* owner) {
    CBrowseMultiFileDlg dialog(input, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return FileChoice{dialog.selectedFiles(), dialog.currentAddress(), dialog.terminalChoice()};
}

std::optional<FileChoice> askDirectoryFiles(const FileChoiceInput& input, QWidget* owner) {
    CBrowseDirFilesDlg dialog(input, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return FileChoice{dialog.selectedFiles(), dialog.currentAddress(), dialog.terminalChoice()};
}

std::optional<TerminalFileChoice> askTerminalFile(const FileChoiceInput& input,
                                                  const std::string& caption, bool exeOnly,
                                                  QWidget* owner) {
    CBrowseTerminalFileDlg dialog(input, QString::fromStdString(caption), exeOnly, owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return TerminalFileChoice{dialog.chosenFile().toLatin1().toStdString(), dialog.currentAddress(),
                              dialog.terminalChoice()};
}

}  // namespace vantrel
