#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QToolButton;
class QTreeWidget;

namespace vantrel {

// Where the program finds the operator's guide: compiled in as resources by the program's
// build; a build without them shows a line saying so for every page.
inline constexpr char kGuideFolder[] = ":/guide";
inline constexpr char kGuideContents[] = "index.html";
inline constexpr char kGuideMainWindow[] = "main-window.html";

// One page of the guide: what its head declares, and its text for the search.
struct GuidePage {
    QString file;  // "setup-poll.html"
    QString title;
    QStringList commands;  // command ids by name, "ID_SETUP_POLL"
    QStringList dialogs;   // dialog class names, "CPollingDataDlg"
    QString text;
};

// The space-separated values of <meta name="NAME" content="...">, none when it is absent.
QStringList guideMeta(const QString& html, const QString& name);
// Every *.html page in the folder, by file name.
QList<GuidePage> readGuidePages(const QString& folder = kGuideFolder);

// The page browser: a page or picture that is not in the guide shows a line that names it.
class GuideBrowser : public QTextBrowser {
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override;
};

// The operator's guide in a window of its own: contents, back and forward, and a search
// across the text of every page.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr, const QString& folder = kGuideFolder);

    // A page of the guide, "setup-poll.html" or "setup-poll.html#fields".
    void showPage(const QString& page);
    // The page that declares the dialog class, or the first of its base classes that has one.
    QString pageOfDialog(const QObject& dialog) const;
    const QList<GuidePage>& pages() const { return pages_; }

    GuideBrowser* browser() const { return browser_; }
    QTreeWidget* contents() const { return contents_; }
    QLineEdit* searchField() const { return search_; }
    QListWidget* searchResults() const { return results_; }

private:
    void buildContents();
    void search(const QString& words);
    void openResult(int row);
    void highlight(const QString& words);

    QString folder_;
    QList<GuidePage> pages_;
    GuideBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit* search_;
    QListWidget* results_;
    QToolButton* back_;
    QToolButton* forward_;
};

// Opens the guide when the operator asks: Help Topics, and F1 anywhere in the program (a
// dialog's own page, the main window's page elsewhere). The window stays usable beside a
// modal dialog: while one is open it rides on that dialog, and goes back to the main
// window's side when the dialog closes.
class GuideHelp : public QObject {
    Q_OBJECT
public:
    explicit GuideHelp(QWidget* mainWindow);
    ~GuideHelp() override;

    void showContents();
    // The page F1 opens from inside this window (a dialog, the main window, a pane).
    void showFor(QWidget* window);
    void showPage(const QString& page);
    // Null until the guide was first asked for.
    HelpWindow* window() const { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBeside(QWidget* modal);

    QWidget* mainWindow_;
    QPointer<HelpWindow> window_;
    QPointer<QWidget> host_;  // the modal window the guide rides on
};

}  // namespace vantrel
