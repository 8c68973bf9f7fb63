// Setup > Upload cfg. and Download cfg.: what OK stores, saves and pushes; Cancel nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "command_ids.h"
#include "dialog_buttons.h"
#include "fake_host.h"
#include "modal_answerer.h"
#include "transfer_file_dlg_classes.h"
#include "transfer_setup.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

class HostTransferSetup : public ::testing::Test {
protected:
    void SetUp() override {
        HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
        host.file.UploadFiles[0] = "IN.FILE";
        host.file.DownloadFiles[0] = "IN.FILE";
        host.settings().UploadFiles[0] = "IN.MEMORY";
        host.settings().DownloadFiles[0] = "IN.MEMORY";
        install_transfer_setup_commands(host);
    }
    void TearDown() override { HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW); }

    // Runs the Setup entry and answers its dialog.
    template <typename Dialog>
    void run(int id, const std::function<void(Dialog*)>& answer) {
        ModalAnswerer answerer([&](QWidget* widget) {
            auto* dialog = qobject_cast<Dialog*>(widget);
            ASSERT_TRUE(dialog);
            answer(dialog);
        });
        EXPECT_TRUE(host.runCommand(id));
        EXPECT_EQ(answerer.answered(), 1);
    }

    SettingsFileHost host;
};

// Presses Browse and chooses path in the file dialog it opens.
void browse(QWidget* dialog, const std::string& path) {
    ModalAnswerer chooser([&](QWidget* widget) {
        auto* files = qobject_cast<QFileDialog*>(widget);
        ASSERT_TRUE(files);
        files->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(files)->accept();
    });
    pressButtonNamed(dialog, "Browse");
    EXPECT_EQ(chooser.answered(), 1);
}

QRadioButton* radio(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QRadioButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

}  // namespace

TEST_F(HostTransferSetup, UploadOkStoresPushesTheSaveModeAndSaves) {
    run<CUploadFilesDlg>(ID_SETUP_UPLOAD_CFG, [](CUploadFilesDlg* d) {
        EXPECT_EQ(d->fileField(0)->text(), "IN.FILE");  // the file's values, read again
        d->fileField(4)->setText("FIVE.DAT");
        d->deleteBox(4)->click();
        radio(d, "Append")->click();
        d->periodField()->setText("15");
        pressDialogButton(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(host.reloads, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.redraws, 1);
    EXPECT_EQ(host.file.UploadFiles[4], "FIVE.DAT");
    EXPECT_TRUE(host.file.UploadDeletes[4]);
    EXPECT_EQ(host.file.Upload_Save_Mode, UploadSaveMode::Append);
    EXPECT_EQ(host.file.Upload_Period, 15);
    EXPECT_EQ(HM_get_upload_file_save_mode(), UPLOAD_SAVE_APPEND);
}

TEST_F(HostTransferSetup, DownloadOkStoresAndSaves) {
    run<CDownloadFilesDlg>(ID_SETUP_DOWNLOAD_CFG, [](CDownloadFilesDlg* d) {
        EXPECT_EQ(d->fileField(0)->text(), "IN.FILE");
        d->fileField(11)->setText("/opt/app/TWELVE.EXE");
        pressDialogButton(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.redraws, 1);
    EXPECT_EQ(host.file.DownloadFiles[11], "/opt/app/TWELVE.EXE");
    EXPECT_EQ(host.file.DownloadFiles[0], "IN.FILE");
}

TEST_F(HostTransferSetup, CancelChangesNothing) {
    TempFolder pc;
    writeFile(pc.file("one.bin"), "1");
    writeFile(pc.file("two.bin"), "2");
    host.settings() = host.file;
    const HostSettings before = host.settings();

    run<CUploadFilesDlg>(ID_SETUP_UPLOAD_CFG, [](CUploadFilesDlg* d) {
        d->fileField(0)->setText("CHANGED");
        radio(d, "Over-write")->click();
        pressDialogButton(d, QDialogButtonBox::Cancel);
    });
    // Two files chosen with Browse, then Cancel.
    run<CDownloadFilesDlg>(ID_SETUP_DOWNLOAD_CFG, [&](CDownloadFilesDlg* d) {
        browse(d, pc.file("one.bin"));
        d->activateWindow();  // back from the file dialog, the operator clicks field 6
        QApplication::processEvents();
        d->fileField(5)->setFocus();
        browse(d, pc.file("two.bin"));
        EXPECT_EQ(d->values().files[0], pc.file("one.bin"));
        EXPECT_EQ(d->values().files[5], pc.file("two.bin"));
        pressDialogButton(d, QDialogButtonBox::Cancel);
    });
    EXPECT_TRUE(host.settings() == before);
    EXPECT_TRUE(host.file == before);
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(host.redraws, 0);
    EXPECT_EQ(HM_get_upload_file_save_mode(), UPLOAD_SAVE_NEW);
}
