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

using DialogMaker = std::function<std::unique_ptr<QDialog>()>;
template <typename Dialog, typename... Args>
DialogMaker make(Args... args) {
    return [=] { return std::make_unique<Dialog>(args...); };
}

}  // namespace

// Every dialog at the size it opens with: the title is whole, no label or button text is cut,
// and Tab never jumps back up a column or left along a row.
TEST(HostDialogLayout, EveryDialogIsReadableAndTabsInDrawingOrder) {
    const HostSettings s;
    const FileChoiceInput files{"BA", {"A.EXE,B.DAT", "C.DAT"}, 1};
    const std::vector<std::string> none;
    const DialogMaker rows[] = {
        make<CCommParamDlg>(commParamValuesFor(s)),
        make<CChangeCommDlg>(changeCommValuesFor(s)),
        make<CCommandLineDlg>(commandLineValuesFor(s)),
        make<CModemSettingDlg>(modemSettingValuesFor(s)),
        make<CTerminalTypeDlg>(TerminalTypeChoice{1, 0}),
        make<CPhoneBookDlg>(none),
        make<CDialPhoneDlg>(none),
        make<CTimeSyncDlg>(TimeSyncValues{}),
        make<CPollingDataDlg>(pollingDataValuesFor(s)),
        make<CAutoTimeSyncDlg>(autoTimeSyncValuesFor(s)),
        make<CInputLineDlg>(QString("Executing area size (K-Byte)"), QString()),
        make<CRemoteConfigDlg>(QString("a.KD24")),
        make<CUploadFilesDlg>(uploadFilesValuesFor(s)),
        make<CDownloadFilesDlg>(DownloadFilesValues{}),
        make<CBrowseTerminalFileDlg>(files, QString("Run Program select"), true),
        make<CBrowseMultiFileDlg>(files),
        make<CBrowseDirFilesDlg>(files),
        make<CBarCodeDlg>(),
        make<CDeviceTableKD35Dlg>(),
        make<CDeviceTableKD24Dlg>(),
        make<CDeviceTableVS17Dlg>(),
        make<CChangeAddressDlg>(std::string("AB")),
    };
    for (const auto& makeDialog : rows) {
        auto dialog = makeDialog();
        SCOPED_TRACE(dialog->metaObject()->className());
        dialog->show();
        QApplication::processEvents();
        EXPECT_GE(dialog->width(), FittedDialog::titleWidth(dialog.get()))
            << dialog->windowTitle().toStdString();
        for (auto* w : dialog->findChildren<QWidget*>()) {
            const auto* label = qobject_cast<QLabel*>(w);
            const auto* button = qobject_cast<QAbstractButton*>(w);
            if (w->isVisible() && (button || (label && !label->wordWrap()))) {
                EXPECT_LE(w->sizeHint().width(), w->width())
                    << (button ? button->text() : label->text()).toStdString();
            }
        }
        const auto chain = tabChain(dialog.get());
        ASSERT_FALSE(chain.isEmpty());
        for (qsizetype i = 1; i < chain.size(); ++i) {
            EXPECT_EQ(backwards(dialog.get(), chain[i - 1], chain[i]).toStdString(), "")
                << chain[i - 1]->metaObject()->className() << " -> "
                << chain[i]->metaObject()->className();
        }
        dialog->reject();
    }
}
