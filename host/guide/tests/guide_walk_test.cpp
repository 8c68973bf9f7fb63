#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <map>
#include <set>

#include "comm_param_dlg.h"
#include "frame_fixture.h"
#include "guide_subjects.h"
#include "help_window.h"
#include "modal_boxes.h"

using namespace vantrel;

namespace {

class GuideWalk : public FrameFixture {};

// The command name of every entry of the menus; an entry without a command id is named so.
void walkMenu(const QList<QAction*>& actions, const std::map<QAction*, QString>& names,
              QStringList& found) {
    for (QAction* action : actions) {
        if (action->menu())
            walkMenu(action->menu()->actions(), names, found);
        else if (!action->isSeparator())
            found.append(names.count(action) ? names.at(action) : action->text() + " (no id)");
    }
}

}  // namespace

// Every command on the menu bar and every dialog class is declared by exactly one page, and
// every name a page declares is one of them.
TEST_F(GuideWalk, EveryCommandAndDialogHasExactlyOnePage) {
    const QList<GuidePage> pages = readGuidePages();
    ASSERT_FALSE(pages.isEmpty()) << "the program holds no guide";
    std::map<QString, QStringList> declaredBy;
    for (const GuidePage& page : pages)
        for (const QString& name : page.commands + page.dialogs) declaredBy[name].append(page.file);

    std::map<QAction*, QString> nameOfAction;
    for (const auto& [id, name] : kCommandNames)
        if (QAction* action = frame->commandAction(id)) nameOfAction[action] = name;
    QStringList required;
    walkMenu(frame->menuBar()->actions(), nameOfAction, required);
    for (const char* dialog : kDialogClasses) required.append(dialog);

    QStringList wrong;
    for (const QString& name : required)
        if (declaredBy[name].size() != 1)
            wrong.append(name + " is declared by [" + declaredBy[name].join(", ") + "]");
    for (const auto& [name, files] : declaredBy)
        if (!required.contains(name))
            wrong.append(files.join(", ") + " declare " + name + ", no command or dialog");
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join("\n").toStdString();
}

// Every link leads to a page and anchor of the guide, every picture is built in, and every
// page can be reached from the contents.
TEST(GuideLinks, EveryLinkAndPictureResolvesAndEveryPageIsReachable) {
    std::map<QString, std::set<QString>> anchors;
    std::map<QString, QStringList> links;
    QStringList broken;
    for (const GuidePage& page : readGuidePages()) {
        QTextDocument document;
        QFile html(QString(kGuideFolder) + "/" + page.file);
        document.setHtml(html.open(QIODevice::ReadOnly) ? QString::fromUtf8(html.readAll()) : "");
        auto& own = anchors[page.file];
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto part = block.begin(); !part.atEnd(); ++part) {
                const QTextCharFormat format = part.fragment().charFormat();
                for (const QString& name : format.anchorNames()) own.insert(name);
                if (format.isAnchor() && !format.anchorHref().contains(':'))
                    links[page.file].append(format.anchorHref());
                const QString picture = format.toImageFormat().name();
                if (format.isImageFormat() && !QFile::exists(QString(kGuideFolder) + "/" + picture))
                    broken.append(page.file + ": no picture " + picture);
            }
        }
    }
    std::set<QString> reached{kGuideContents};
    QStringList pending{kGuideContents};
    while (!pending.isEmpty()) {
        const QString from = pending.takeFirst();
        for (const QString& href : links[from]) {
            const QString file = href.section('#', 0, 0).isEmpty() ? from : href.section('#', 0, 0);
            const QString anchor = href.section('#', 1);
            if (!anchors.count(file))
                broken.append(from + ": no page " + file);
            else if (!anchor.isEmpty() && !anchors[file].count(anchor))
                broken.append(from + ": no anchor " + href);
            else if (reached.insert(file).second)
                pending.append(file);
        }
    }
    for (const auto& [file, names] : anchors)
        if (!reached.count(file)) broken.append(file + ": not reachable from the contents");
    EXPECT_TRUE(broken.isEmpty()) << broken.join("\n").toStdString();
}

// Help Topics opens the contents, a missing page says so in the window, and a run without a
// screen opens nothing.
TEST_F(GuideWalk, HelpTopicsOpensTheContentsOnlyForAnOperator) {
    setOperatorCanAnswer(false);
    frame->commandAction(ID_HELP_TOPICS)->trigger();
    setOperatorCanAnswer(true);
    EXPECT_EQ(frame->guide()->window(), nullptr);

    ASSERT_TRUE(enabled(ID_HELP_TOPICS));
    frame->commandAction(ID_HELP_TOPICS)->trigger();
    HelpWindow* help = frame->guide()->window();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->browser()->source().fileName(), kGuideContents);
    EXPECT_GT(help->contents()->topLevelItemCount(), 0);

    help->showPage("no-such-page.html");
    EXPECT_TRUE(help->browser()->toPlainText().contains(
        "This page is not in the guide: no-such-page.html"));
}

// F1 in a modal dialog opens its page; the guide, opened by F1 or before the dialog, takes
// typing while the dialog is open and stays open beside the main window after it closes.
TEST_F(GuideWalk, F1InAModalDialogOpensItsPageAndTheGuideStaysUsable) {
    for (const bool openedBefore : {false, true}) {
        SCOPED_TRACE(openedBefore ? "opened before the dialog" : "opened by F1");
        if (openedBefore) frame->commandAction(ID_HELP_TOPICS)->trigger();
        CCommParamDlg dialog(CommParamValues{}, frame.get(),
                             [] { return std::vector<vantdev::SerialDevice>{}; });
        HelpWindow* help = nullptr;
        QTimer::singleShot(0, &dialog, [&] {
            if (!openedBefore) QTest::keyClick(dialog.windowHandle(), Qt::Key_F1);
            help = frame->guide()->window();
            if (help) {
                help->searchField()->clear();
                help->searchField()->setFocus();
                for (const char key : std::string("port"))
                    QTest::keyClick(help->windowHandle(), key);
                EXPECT_EQ(help->searchField()->text().toStdString(), "port");
                EXPECT_GT(help->searchResults()->count(), 0);
            }
            dialog.reject();
        });
        dialog.exec();
        ASSERT_NE(help, nullptr);
        const QString page = openedBefore ? kGuideContents : help->pageOfDialog(dialog);
        EXPECT_EQ(help->browser()->source().fileName(), page);
        EXPECT_EQ(help->parentWidget(), frame.get());
        EXPECT_TRUE(help->isVisible());
    }
}
