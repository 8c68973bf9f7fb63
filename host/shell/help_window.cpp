#include "help_window.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "modal_boxes.h"

namespace vantrel {

namespace {

constexpr int kFileRole = Qt::UserRole;

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The name of a page or picture as the guide's folder knows it, "pictures/CMainFrame.png".
QString nameInGuide(const QUrl& url) {
    QString path = url.path();
    const auto folder = path.lastIndexOf(QLatin1String("guide/"));
    if (folder >= 0) path = path.mid(folder + 6);
    return path.isEmpty() ? url.toString() : path;
}

// A picture that is not there: its place shows one line that says so.
QImage missingPicture(const QString& name) {
    const QString line = "This picture is not in the guide: " + name;
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(line) + 16, metrics.height() + 8, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::darkRed);
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    painter.drawText(image.rect(), Qt::AlignCenter, line);
    return image;
}

QString dialogClassName(const QMetaObject* meta) {
    const QString name = QString::fromLatin1(meta->className());
    return name.mid(name.lastIndexOf(':') + 1);
}

}  // namespace

QStringList guideMeta(const QString& html, const QString& name) {
    static const QRegularExpression tag(R"(<meta\b[^>]*>)",
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nameAttribute(R"re(\bname\s*=\s*"([^"]*)")re",
                                                  QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression contentAttribute(R"re(\bcontent\s*=\s*"([^"]*)")re",
                                                     QRegularExpression::CaseInsensitiveOption);
    for (auto tags = tag.globalMatch(html); tags.hasNext();) {
        const QString text = tags.next().captured();
        if (nameAttribute.match(text).captured(1).compare(name, Qt::CaseInsensitive) != 0) continue;
        return contentAttribute.match(text).captured(1).split(' ', Qt::SkipEmptyParts);
    }
    return {};
}

QList<GuidePage> readGuidePages(const QString& folder) {
    QList<GuidePage> pages;
    const QDir dir(folder);
    for (const QString& file : dir.entryList({"*.html"}, QDir::Files, QDir::Name)) {
        const QString html = readText(dir.filePath(file));
        QTextDocument document;
        document.setHtml(html);
        GuidePage page{file, document.metaInformation(QTextDocument::DocumentTitle),
                       guideMeta(html, "commands"), guideMeta(html, "dialogs"),
                       document.toPlainText()};
        if (page.title.isEmpty()) page.title = file;
        pages.append(page);
    }
    return pages;
}

QVariant GuideBrowser::loadResource(int type, const QUrl& name) {
    QVariant found = QTextBrowser::loadResource(type, name);
    if (found.isValid()) return found;
    const QString missing = nameInGuide(name).toHtmlEscaped();
    switch (type) {
        case QTextDocument::HtmlResource:
            return QString(
                       "<p>This page is not in the guide: %1</p>"
                       "<p><a href=\"%2\">Contents</a></p>")
                .arg(missing, kGuideContents);
        case QTextDocument::ImageResource:
            return missingPicture(nameInGuide(name));
        default:
            return QString();  // a missing style sheet leaves the page plain
    }
}

HelpWindow::HelpWindow(QWidget* parent, const QString& folder)
    : QWidget(parent, Qt::Window),
      folder_(folder),
      pages_(readGuidePages(folder)),
      browser_(new GuideBrowser(this)),
      contents_(new QTreeWidget(this)),
      search_(new QLineEdit(this)),
      results_(new QListWidget(this)),
      back_(new QToolButton(this)),
      forward_(new QToolButton(this)) {
    setWindowTitle(QApplication::applicationName() + " Help");
    browser_->setSearchPaths({folder_});
    browser_->setOpenExternalLinks(false);

    contents_->setHeaderHidden(true);
    search_->setPlaceholderText("Search the guide");
    search_->setClearButtonEnabled(true);
    auto* searchPage = new QWidget(this);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(search_);
    searchLayout->addWidget(results_);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(contents_, "Contents");
    tabs->addTab(searchPage, "Search");

    back_->setText("Back");
    back_->setArrowType(Qt::LeftArrow);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_->setEnabled(false);
    forward_->setText("Forward");
    forward_->setArrowType(Qt::RightArrow);
    forward_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    forward_->setEnabled(false);
    auto* home = new QToolButton(this);
    home->setText("Contents");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addWidget(home);
    buttons->addStretch();
    auto* pagePart = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(pagePart);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(browser_);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(pagePart);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    resize(900, 640);

    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { showPage(kGuideContents); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString file = item->data(0, kFileRole).toString();
        if (!file.isEmpty()) showPage(file);
    });
    connect(contents_, &QTreeWidget::itemClicked, contents_, &QTreeWidget::itemActivated);
    connect(search_, &QLineEdit::textChanged, this, &HelpWindow::search);
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openResult(results_->row(item)); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openResult(results_->row(item)); });
    buildContents();
}

void HelpWindow::showPage(const QString& page) {
    browser_->setSource(QUrl("qrc" + folder_ + "/" + page));
}

QString HelpWindow::pageOfDialog(const QObject& dialog) const {
    for (const QMetaObject* meta = dialog.metaObject(); meta; meta = meta->superClass()) {
        const QString name = dialogClassName(meta);
        for (const GuidePage& page : pages_)
            if (page.dialogs.contains(name)) return page.file;
    }
    return {};
}

// The contents page's sections (its h2 headings) and, under each, the pages it links to.
void HelpWindow::buildContents() {
    QTextDocument index;
    index.setHtml(readText(folder_ + "/" + kGuideContents));
    QTreeWidgetItem* group = nullptr;
    for (QTextBlock block = index.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) {
            group = new QTreeWidgetItem(contents_, {block.text().trimmed()});
            group->setExpanded(true);
            continue;
        }
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            const QString href = part.fragment().charFormat().anchorHref();
            if (href.isEmpty() || href.contains(':')) continue;
            const QStringList text{part.fragment().text().trimmed()};
            auto* item =
                group ? new QTreeWidgetItem(group, text) : new QTreeWidgetItem(contents_, text);
            item->setData(0, kFileRole, href);
        }
    }
    contents_->expandAll();
}

void HelpWindow::search(const QString& words) {
    results_->clear();
    const QString wanted = words.simplified();
    if (wanted.isEmpty()) return;
    for (const GuidePage& page : pages_) {
        if (!page.text.contains(wanted, Qt::CaseInsensitive)) continue;
        auto* item = new QListWidgetItem(page.title, results_);
        item->setData(kFileRole, page.file);
    }
}

void HelpWindow::openResult(int row) {
    if (row < 0) return;
    showPage(results_->item(row)->data(kFileRole).toString());
    highlight(search_->text().simplified());
}

// Every match marked, and the first one scrolled to.
void HelpWindow::highlight(const QString& words) {
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat marked;
    marked.setBackground(Qt::yellow);
    for (QTextCursor found = browser_->document()->find(words); !found.isNull();
         found = browser_->document()->find(words, found))
        marks.append({found, marked});
    browser_->setExtraSelections(marks);
    if (marks.isEmpty()) return;
    QTextCursor first = marks.first().cursor;  // not selected: the selection would hide its mark
    first.setPosition(first.selectionStart());
    browser_->setTextCursor(first);
    browser_->ensureCursorVisible();
}

GuideHelp::GuideHelp(QWidget* mainWindow) : QObject(mainWindow), mainWindow_(mainWindow) {
    qApp->installEventFilter(this);
}

GuideHelp::~GuideHelp() {
    if (qApp) qApp->removeEventFilter(this);
}

void GuideHelp::showContents() {
    showPage(kGuideContents);
}

void GuideHelp::showFor(QWidget* window) {
    QString page = kGuideMainWindow;
    if (qobject_cast<QDialog*>(window)) {
        if (!window_) window_ = new HelpWindow(mainWindow_);
        page = window_->pageOfDialog(*window);
        if (page.isEmpty()) page = kGuideContents;
    }
    showPage(page);
}

// Only an operator opens the guide: a run without a screen never shows it.
void GuideHelp::showPage(const QString& page) {
    if (!operatorCanAnswer()) return;
    if (!window_) window_ = new HelpWindow(mainWindow_);
    placeBeside(QApplication::activeModalWidget());
    window_->showPage(page);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// A modal dialog blocks every window but its own: the guide becomes one of the dialog's
// windows while the dialog is open.
void GuideHelp::placeBeside(QWidget* modal) {
    if (modal == window_) modal = nullptr;
    QWidget* owner = modal ? modal : mainWindow_;
    if (window_->parentWidget() == owner) return;
    host_ = modal;
    const bool shown = window_->isVisible();
    const QRect geometry = window_->geometry();
    window_->setParent(owner, Qt::Window);
    window_->setGeometry(geometry);
    // Back in view without taking the keyboard from the dialog the operator works in.
    window_->setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (shown) window_->show();
    window_->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

bool GuideHelp::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType() || watched == window_) return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::Show:
            // A dialog opens while the operator reads the guide: the guide stays usable.
            if (window_ && window_->isVisible() && widget->isWindow() && widget->isModal())
                placeBeside(widget);
            return false;
        case QEvent::Hide:
            // The dialog closes (and may be deleted with its children): the nearest modal
            // window still open under it, or the main window, takes the guide back.
            if (widget == host_ && window_) {
                QWidget* next = nullptr;
                for (QWidget* up = widget->parentWidget(); up && !next; up = up->parentWidget())
                    if (up->isWindow() && up->isModal() && up->isVisible()) next = up;
                placeBeside(next);
            }
            return false;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) return false;
            if (widget->window() == window_) return false;
            showFor(widget->window());
            return true;
        default:
            return false;
    }
}

}  // namespace vantrel
