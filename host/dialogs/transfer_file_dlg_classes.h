// The dialogs behind transfer_file_dlgs.h.
#pragma once

#include <QDialog>

#include <QString>
#include <array>
#include "dialog_parts.h"

#include "transfer_file_dlgs.h"

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace vantrel {

// "Upload - files": the terminal files the multi-file upload fetches.
class CUploadFilesDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CUploadFilesDlg(const UploadFilesValues& initial, QWidget* parent = nullptr);

    const UploadFilesValues& values() const { return values_; }
    QLineEdit* fileField(int row) const { return files_[row]; }  // rows 0..11
    QCheckBox* deleteBox(int row) const { return deletes_[row]; }
    QLineEdit* periodField() const { return period_; }

    void accept() override;

private:
    UploadFilesValues values_;
    std::array<QLineEdit*, kTransferFiles> files_{};
    std::array<QCheckBox*, kTransferFiles> deletes_{};
    QButtonGroup* saveMode_;
    QCheckBox* loop_;
    QLineEdit* period_;
};

// "Download - files": the PC files the multi-file download sends. "Browse" fills the field
// that last had the input focus.
class CDownloadFilesDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CDownloadFilesDlg(const DownloadFilesValues& initial, QWidget* parent = nullptr);

    const DownloadFilesValues& values() const { return values_; }
    QLineEdit* fileField(int index) const { return files_[index]; }  // 0..11
    int currentField() const { return current_; }                    // 0..11

    void browse();
    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeAllFields();
    void showValues();

    DownloadFilesValues values_;
    DownloadFilesValues opened_;
    std::array<QLineEdit*, kTransferFiles> files_{};
    int current_ = 0;
};

// What the three file-choice dialogs share: the addresses in use, one of them current, and
// the choice of one or all terminals.
class CFileChoiceDlg : public FittedDialog {
    Q_OBJECT
public:
    QListWidget* addressList() const { return addresses_; }
    char currentAddress() const { return current_; }
    int terminalChoice() const;

protected:
    CFileChoiceDlg(const FileChoiceInput& input, const QString& title, QWidget* parent);
    // The address list box, the current address label and the "Terminal" group.
    void addAddressControls(QBoxLayout* layout);
    // The terminal's directory listing of the current address.
    std::string currentListing() const;
    // Called when a double-click made another address current.
    virtual void addressChanged() {}
    // A refusal the operator is told about; the dialog stays open.
    void refuse(const QString& text);

private:
    void makeCurrent(QListWidgetItem* item);

    FileChoiceInput input_;
    QListWidget* addresses_;
    QLabel* currentLabel_;
    QButtonGroup* terminal_;
    char current_ = 0;
};

// "Browse Terminal File": one file of the current address's terminal.
class CBrowseTerminalFileDlg : public CFileChoiceDlg {
    Q_OBJECT
public:
    CBrowseTerminalFileDlg(const FileChoiceInput& input, const QString& caption, bool exeOnly,
                           QWidget* parent = nullptr);

    QListWidget* fileList() const { return files_; }
    QLineEdit* fileLine() const { return line_; }
    // The text of the selected file entry, empty when none is selected.
    QString chosenFile() const;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void addressChanged() override;

private:
    void fillFiles();

    QString caption_;
    bool exeOnly_;
    QLineEdit* line_;
    QListWidget* files_;
};

// "Browse Multi File": several files of the current address's terminal.
class CBrowseMultiFileDlg : public CFileChoiceDlg {
    Q_OBJECT
public:
    explicit CBrowseMultiFileDlg(const FileChoiceInput& input, QWidget* parent = nullptr);

    QListWidget* availableList() const { return available_; }
    QListWidget* selectedList() const { return selected_; }
    std::vector<std::string> selectedFiles() const;

    void accept() override;

protected:
    void addressChanged() override;

private:
    void fillFiles();

    QListWidget* available_;
    QListWidget* selected_;
};

// "Browse directory files": several files of the PC.
class CBrowseDirFilesDlg : public CFileChoiceDlg {
    Q_OBJECT
public:
    explicit CBrowseDirFilesDlg(const FileChoiceInput& input, QWidget* parent = nullptr);

    QListWidget* selectedList() const { return selected_; }
    std::vector<std::string> selectedFiles() const;

    void browse();
    void accept() override;

private:
    QListWidget* selected_;
};

// Helpers the dialogs share, open to tests.

// The names of a directory listing: split at every ",", empty names dropped, and with exeOnly
// only names of at least 5 characters ending in ".EXE" in any case.
QStringList listingNames(const std::string& listing, bool exeOnly);
// Inserts text where a case-blind sort puts it; returns its row.
int insertSorted(QListWidget* list, const QString& text);
// The refusal when too many files are chosen.
QString tooManyFilesText(std::size_t count);

}  // namespace vantrel
