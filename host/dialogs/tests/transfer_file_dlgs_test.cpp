// The two transfer lists of Setup and the three file choices made when a command runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

#include "dialog_buttons.h"
#include "dialog_test_support.h"
#include "temp_folder.h"
#include "transfer_file_dlg_classes.h"

using namespace vantrel;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList entries;
    for (int row = 0; row < list->count(); ++row) entries << list->item(row)->text();
    return entries;
}

void doubleClick(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    emit list->itemDoubleClicked(found.front());
}

// Files f100.txt, f101.txt, ... in a fresh folder.
struct PcFiles {
    explicit PcFiles(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(100 + i) + ".txt";
            writeFile(folder.file(name), "x");
            paths << QString::fromStdString(folder.file(name));
        }
    }
    TempFolder folder;
    QStringList paths;
};

}  // namespace

TEST(HostUploadFilesDialog, RowsFlagsModeLoopAndPeriod) {
    CUploadFilesDlg fresh(UploadFilesValues{});
    EXPECT_EQ(fresh.windowTitle(), "Upload - files");
    for (auto* button : fresh.findChildren<QRadioButton*>()) EXPECT_FALSE(button->isChecked());

    HostSettings s;
    s.UploadFiles[11] = "LAST.DAT";
    s.UploadDeletes[11] = true;
    s.Upload_Save_Mode = UploadSaveMode::OverWrite;
    CUploadFilesDlg dialog(uploadFilesValuesFor(s));
    EXPECT_EQ(dialog.fileField(11)->text(), "LAST.DAT");
    EXPECT_EQ(dialog.fileField(0)->maxLength(), 119);
    EXPECT_TRUE(dialog.deleteBox(11)->isChecked());
    EXPECT_TRUE(radio(dialog, "Over-write")->isChecked());
    EXPECT_EQ(dialog.periodField()->text(), "60");

    dialog.fileField(2)->setText("THREE.DAT");
    dialog.deleteBox(2)->click();
    radio(dialog, "Append")->click();
    for (auto* box : dialog.findChildren<QCheckBox*>())
        if (box->text() == "Yes") box->click();
    dialog.periodField()->setText("ten");
    EXPECT_EQ(pressOk(dialog), "Please enter an integer.");
    EXPECT_EQ(dialog.values().files[2], "");  // nothing taken yet
    dialog.periodField()->setText("-10");     // no range
    EXPECT_EQ(pressOk(dialog), "");

    applyUploadFilesValues(dialog.values(), s);
    EXPECT_EQ(s.UploadFiles[2], "THREE.DAT");
    EXPECT_TRUE(s.UploadDeletes[2]);
    EXPECT_TRUE(s.UploadDeletes[11]);
    EXPECT_EQ(s.Upload_Save_Mode, UploadSaveMode::Append);
    EXPECT_TRUE(s.Upload_Loop);
    EXPECT_EQ(s.Upload_Period, -10);

    applyUploadFilesValues(UploadFilesValues{}, s);  // no mode chosen keeps the stored one
    EXPECT_EQ(s.Upload_Save_Mode, UploadSaveMode::Append);
}

// The dialog shown, as the operator has it, so the fields receive the focus.
class HostDownloadFilesDialog : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kTransferFiles; ++i) opened.files[i] = "OLD" + std::to_string(i + 1);
        dialog = std::make_unique<CDownloadFilesDlg>(opened);
        dialog->show();
        QApplication::processEvents();
    }
    void browse(const QString& path) {
        ModalAnswerer answerer(chooseFile(path));
        pressButtonNamed(dialog.get(), "Browse");
        EXPECT_EQ(answerer.answered(), 1);
    }
    QString field(int number) const { return dialog->fileField(number - 1)->text(); }
    // As the operator clicks into it: the window active, then the field focused.
    void focusField(int number) {
        dialog->activateWindow();
        QApplication::processEvents();
        dialog->fileField(number - 1)->setFocus();
    }

    PcFiles pc{2};
    DownloadFilesValues opened;
    std::unique_ptr<CDownloadFilesDlg> dialog;
};

TEST_F(HostDownloadFilesDialog, BrowseFillsTheFieldThatLastHadTheFocus) {
    EXPECT_EQ(dialog->windowTitle(), "Download - files");
    browse(pc.paths[0]);  // right after opening: field 1
    EXPECT_EQ(field(1), pc.paths[0]);
    EXPECT_EQ(dialog->values().files[0], pc.paths[0].toStdString());

    focusField(7);
    ASSERT_EQ(dialog->currentField(), 6);
    browse(pc.paths[1]);  // the button took the focus; field 7 is still the one
    EXPECT_EQ(field(7), pc.paths[1]);
    EXPECT_EQ(field(1), pc.paths[0]);
    browse(QString());  // cancelled: nothing changes
    EXPECT_EQ(field(7), pc.paths[1]);

    dialog->reject();  // Cancel after two choices: every name as it was
    for (int i = 0; i < kTransferFiles; ++i) {
        EXPECT_EQ(dialog->values().files[i], opened.files[i]);
        EXPECT_EQ(field(i + 1).toStdString(), opened.files[i]);
    }
}

TEST_F(HostDownloadFilesDialog, NamesTypedInAnyFieldSurviveABrowseIntoAnother) {
    dialog->fileField(11)->setText("TYPED12.BIN");
    dialog->fileField(0)->setText("TYPED1.BIN");  // the last change, in field 1
    focusField(7);
    browse(pc.paths[0]);
    EXPECT_EQ(field(1), "TYPED1.BIN");
    EXPECT_EQ(field(12), "TYPED12.BIN");
    EXPECT_EQ(field(7), pc.paths[0]);
    EXPECT_EQ(dialog->values().files[0], "TYPED1.BIN");
}

TEST(HostFileChoiceDialogs, ListingNamesAndTheExeFilter) {
    EXPECT_EQ(listingNames(",A.EXE,B.DAT", false), (QStringList{"A.EXE", "B.DAT"}));
    EXPECT_EQ(listingNames(",A.EXE,B.DAT", true), QStringList{"A.EXE"});
    EXPECT_EQ(listingNames("X.EXE,.EXE,low.exe,EXE,A.EXE.BAK", true),
              (QStringList{"X.EXE", "low.exe"}));
    // However many commas stand together, an empty name is no file.
    EXPECT_EQ(listingNames(",,,A.EXE,,B.DAT,", false), (QStringList{"A.EXE", "B.DAT"}));
    EXPECT_TRUE(listingNames("", false).isEmpty());
    EXPECT_EQ(tooManyFilesText(41), "Too many files selected (41): please select no more than 40.");
}

TEST(HostFileChoiceDialogs, AddressesSortedAndTheLowestCurrent) {
    FileChoiceInput input{"B0A", {"B1.DAT", "ZERO.DAT", "c.dat,A.DAT,b.DAT"}, 1};
    CBrowseMultiFileDlg dialog(input);
    EXPECT_EQ(dialog.windowTitle(), "Browse Multi File");
    EXPECT_EQ(texts(dialog.addressList()), (QStringList{"0", "A", "B"}));
    EXPECT_EQ(dialog.currentAddress(), '0');
    EXPECT_EQ(texts(dialog.availableList()), QStringList{"ZERO.DAT"});
    EXPECT_TRUE(radio(dialog, "All Terminals")->isChecked());

    doubleClick(dialog.addressList(), "A");
    EXPECT_EQ(dialog.currentAddress(), 'A');
    EXPECT_EQ(texts(dialog.availableList()), (QStringList{"A.DAT", "b.DAT", "c.dat"}));
    EXPECT_EQ(dialog.availableList()->currentRow(), 0);

    CBrowseDirFilesDlg dir(FileChoiceInput{"BA", {}, 0});
    EXPECT_EQ(dir.windowTitle(), "Browse directory files");
    EXPECT_EQ(dir.currentAddress(), 'A');
    EXPECT_EQ(dir.terminalChoice(), 0);
}

TEST(HostBrowseTerminalFileDialog, CaptionExeOnlyAndTheChosenFile) {
    const FileChoiceInput input{
        "BA", {"LONG_NAME_OF_20_CHR.EXE,SHORT.EXE", ",run.exe,B.DAT,.EXE"}, 1};
    {
        ModalAnswerer answerer(
            [](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Ok); });
        const auto choice = askTerminalFile(input, "Run Program select", true, nullptr);
        EXPECT_EQ(answerer.lastTitle(), "Run Program select");
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->file, "run.exe");  // A's listing, the only EXE name in it
        EXPECT_EQ(choice->currentAddress, 'A');
        EXPECT_EQ(choice->terminalChoice, 1);
    }

    CBrowseTerminalFileDlg dialog(input, "Run Program select", false);
    EXPECT_EQ(texts(dialog.fileList()), (QStringList{".EXE", "B.DAT", "run.exe"}));
    dialog.fileLine()->setText("b");
    emit dialog.fileLine()->textEdited("b");
    EXPECT_EQ(dialog.chosenFile(), "B.DAT");

    // Another terminal: its files; a name longer than the 19 characters a command takes is
    // refused and the dialog stays open.
    doubleClick(dialog.addressList(), "B");
    EXPECT_EQ(dialog.currentAddress(), 'B');
    EXPECT_EQ(texts(dialog.fileList()), (QStringList{"LONG_NAME_OF_20_CHR.EXE", "SHORT.EXE"}));
    EXPECT_EQ(dialog.fileLine()->text(), "LONG_NAME_OF_20_CHR.EXE");
    EXPECT_EQ(pressOk(dialog),
              "The file name is too long: a terminal file name has at most 19 characters.");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    doubleClick(dialog.fileList(), "SHORT.EXE");  // a double-click chooses and closes
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenFile(), "SHORT.EXE");

    CBrowseTerminalFileDlg empty(FileChoiceInput{"A", {","}, 1}, "x", false);
    EXPECT_EQ(empty.fileList()->count(), 0);
    EXPECT_EQ(pressOk(empty), "");
    EXPECT_EQ(empty.chosenFile(), "");
}

TEST(HostBrowseMultiFileDialog, ChoosingMovingAndAnotherAddressDropsTheChoice) {
    std::string many;
    for (int i = 0; i < 41; ++i) many += "F" + std::to_string(10 + i) + ".DAT,";
    CBrowseMultiFileDlg dialog(FileChoiceInput{"AB", {"X.DAT,Y.DAT,Z.DAT", many}, 1});
    doubleClick(dialog.availableList(), "Z.DAT");
    doubleClick(dialog.availableList(), "X.DAT");
    EXPECT_EQ(texts(dialog.selectedList()), (QStringList{"X.DAT", "Z.DAT"}));
    EXPECT_EQ(texts(dialog.availableList()), QStringList{"Y.DAT"});
    doubleClick(dialog.selectedList(), "Z.DAT");  // back again
    EXPECT_EQ(texts(dialog.availableList()), (QStringList{"Y.DAT", "Z.DAT"}));
    EXPECT_EQ(dialog.selectedFiles(), std::vector<std::string>{"X.DAT"});

    doubleClick(dialog.addressList(), "B");
    EXPECT_EQ(dialog.selectedList()->count(), 0);
    EXPECT_EQ(dialog.availableList()->count(), 41);

    // 41 chosen: refused with the dialog still open; 40 go.
    while (dialog.availableList()->count() > 0)
        emit dialog.availableList()->itemDoubleClicked(dialog.availableList()->item(0));
    EXPECT_EQ(pressOk(dialog), tooManyFilesText(41));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    doubleClick(dialog.selectedList(), "F50.DAT");
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles().size(), 40u);
    EXPECT_EQ(dialog.selectedFiles().front(), "F10.DAT");
}

TEST(HostBrowseDirFilesDialog, BrowseAddsFullPathsAndOkCounts) {
    {  // OK without any Browse: no file
        ModalAnswerer answerer([](QWidget* w) { pressDialogButton(w, QDialogButtonBox::Ok); });
        const auto choice = askDirectoryFiles(FileChoiceInput{"CA", {}, 1}, nullptr);
        ASSERT_TRUE(choice);
        EXPECT_TRUE(choice->files.empty());
        EXPECT_EQ(choice->currentAddress, 'A');
    }

    PcFiles pc(41);
    CBrowseDirFilesDlg dialog(FileChoiceInput{"A", {}, 1});
    for (int i = 40; i >= 0; --i) {
        ModalAnswerer answerer(chooseFile(pc.paths[i]));
        dialog.browse();
    }
    EXPECT_EQ(dialog.selectedList()->count(), 41);
    EXPECT_EQ(dialog.selectedList()->item(0)->text(), pc.paths[0]);  // sorted
    EXPECT_EQ(pressOk(dialog), tooManyFilesText(41));
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    doubleClick(dialog.selectedList(), pc.paths[0]);  // a double-click removes it
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto files = dialog.selectedFiles();
    ASSERT_EQ(files.size(), 40u);
    EXPECT_EQ(files.front(), pc.paths[1].toStdString());
    EXPECT_EQ(files.back(), pc.paths[40].toStdString());
}
