#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <functional>
#include <memory>

#include "change_comm_dlg.h"
#include "comm_param_dlg.h"
#include "command_line_dlg.h"
#include "dial_phone_dlg.h"
#include "modem_setting_dlg.h"
#include "phone_book_dlg.h"
#include "polling_time_dlg_classes.h"
#include "table_dlg_classes.h"
#include "terminal_type_dlg.h"
#include "transfer_file_dlg_classes.h"

using namespace vantrel;

namespace {

// The outermost controls Tab stops at, in the order the chain visits them.
QList<QWidget*> tabChain(QWidget* dialog) {
    QList<QWidget*> chain;
    for (QWidget* w = dialog->nextInFocusChain(); w != dialog; w = w->nextInFocusChain()) {
        if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        bool inner = false;
        for (QWidget* up = w->parentWidget(); up != dialog; up = up->parentWidget())
            inner = inner || chain.contains(up);
        if (!inner) chain.push_back(w);
    }
    return chain;
}

// Why Tab going from a to b goes backwards on the screen, empty when it does not: b lies
// above a in a's column, or left of a in a's row (compared as the boxes that hold them).
QString backwards(QWidget* dialog, QWidget* a, QWidget* b) {
    QWidget* holder = a->parentWidget();
    while (holder != dialog && !holder->isAncestorOf(b)) holder = holder->parentWidget();
    while (a->parentWidget() != holder) a = a->parentWidget();
    while (b->parentWidget() != holder) b = b->parentWidget();
    const QRect ga = a->geometry(), gb = b->geometry();
    const bool sameColumn = gb.left() <= ga.right() && ga.left() <= gb.right();
    const bool sameRow = gb.top() <= ga.bottom() && ga.top() <= gb.bottom();
    if (sameColumn && gb.bottom() < ga.top()) return "up";
    if (sameRow && gb.right() < ga.left()) return "left";
    return {};
}

QString describe(QWidget* w) {
    const auto* button = qobject_cast<QAbstractButton*>(w);
    return QString("%1 '%2'").arg(w->metaObject()->className(), button ? button->text() : "");
}

struct DialogRow {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
};

}  // namespace

// Every dialog at the size it opens with: the title is whole, no label or button text is cut,
// and Tab never jumps back up a column or left along a row.
TEST(HostDialogLayout, EveryDialogIsReadableAndTabsInDrawingOrder) {
    HostSettings s;
    const FileChoiceInput files{"BA", {"A.EXE,B.DAT", "C.DAT"}, 1};
    const std::vector<DialogRow> rows = {
        {"CCommParamDlg", [&] { return std::make_unique<CCommParamDlg>(commParamValuesFor(s)); }},
        {"CChangeCommDlg",
         [&] { return std::make_unique<CChangeCommDlg>(changeCommValuesFor(s)); }},
        {"CCommandLineDlg",
         [&] { return std::make_unique<CCommandLineDlg>(commandLineValuesFor(s)); }},
        {"CModemSettingDlg",
         [&] { return std::make_unique<CModemSettingDlg>(modemSettingValuesFor(s)); }},
        {"CTerminalTypeDlg",
         [] {
             return std::make_unique<CTerminalTypeDlg>(TerminalTypeChoice{1, 0});
         }},
        {"CPhoneBookDlg",
         [] { return std::make_unique<CPhoneBookDlg>(std::vector<std::string>{}); }},
        {"CDialPhoneDlg",
         [] { return std::make_unique<CDialPhoneDlg>(std::vector<std::string>{}); }},
        {"CPollingDataDlg",
         [&] { return std::make_unique<CPollingDataDlg>(pollingDataValuesFor(s)); }},
        {"CAutoTimeSyncDlg",
         [&] { return std::make_unique<CAutoTimeSyncDlg>(autoTimeSyncValuesFor(s)); }},
        {"CTimeSyncDlg", [] { return std::make_unique<CTimeSyncDlg>(TimeSyncValues{}); }},
        {"CInputLineDlg",
         [] { return std::make_unique<CInputLineDlg>("Executing area size (K-Byte)", ""); }},
        {"CRemoteConfigDlg", [] { return std::make_unique<CRemoteConfigDlg>("a.KD24"); }},
        {"CUploadFilesDlg",
         [&] { return std::make_unique<CUploadFilesDlg>(uploadFilesValuesFor(s)); }},
        {"CDownloadFilesDlg",
         [] { return std::make_unique<CDownloadFilesDlg>(DownloadFilesValues{}); }},
        {"CBrowseTerminalFileDlg",
         [&] {
             return std::make_unique<CBrowseTerminalFileDlg>(files, "Run Program select", true);
         }},
        {"CBrowseMultiFileDlg", [&] { return std::make_unique<CBrowseMultiFileDlg>(files); }},
        {"CBrowseDirFilesDlg", [&] { return std::make_unique<CBrowseDirFilesDlg>(files); }},
        {"CBarCodeDlg", [] { return std::make_unique<CBarCodeDlg>(); }},
        {"CDeviceTableKD35Dlg", [] { return std::make_unique<CDeviceTableKD35Dlg>(); }},
        {"CDeviceTableKD24Dlg", [] { return std::make_unique<CDeviceTableKD24Dlg>(); }},
        {"CDeviceTableVS17Dlg", [] { return std::make_unique<CDeviceTableVS17Dlg>(); }},
        {"CChangeAddressDlg", [] { return std::make_unique<CChangeAddressDlg>("AB"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto dialog = row.make();
        dialog->show();
        QApplication::processEvents();
        EXPECT_GE(dialog->width(), FittedDialog::titleWidth(dialog.get()))
            << dialog->windowTitle().toStdString();
        for (auto* label : dialog->findChildren<QLabel*>()) {
            if (label->isVisible() && !label->wordWrap()) {
                EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
            }
        }
        for (auto* button : dialog->findChildren<QAbstractButton*>()) {
            if (button->isVisible()) {
                EXPECT_LE(button->sizeHint().width(), button->width())
                    << describe(button).toStdString();
            }
        }
        const auto chain = tabChain(dialog.get());
        ASSERT_FALSE(chain.isEmpty());
        for (qsizetype i = 1; i < chain.size(); ++i) {
            EXPECT_EQ(backwards(dialog.get(), chain[i - 1], chain[i]).toStdString(), "")
                << describe(chain[i - 1]).toStdString() << " -> "
                << describe(chain[i]).toStdString();
        }
        dialog->reject();
    }
}
