#include "log_pane.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vantrel {

LogPane::LogPane(const QString& caption, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      list_(new QListWidget(this)) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Lines are read whole: no "..." at the edge; the widest line sets the scroll range, which
    // uniform item sizes would take from the first line alone.
    list_->setTextElideMode(Qt::ElideNone);
    list_->setUniformItemSizes(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* copy = new QAction("&Copy", list_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &LogPane::copySelected);
    list_->addAction(copy);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    setFontSize(8);
    hide();
}

void LogPane::appendText(std::string_view text) {
    pending_ += text;
    const auto lastFeed = pending_.rfind('\n');
    if (lastFeed == std::string::npos) return;

    if (list_->count() > kMaxEntries) dropOldest(kDropCount);
    QStringList lines;
    std::size_t start = 0;
    while (start <= lastFeed) {
        const auto feed = pending_.find('\n', start);
        lines << QString::fromLocal8Bit(pending_.data() + start,
                                        static_cast<qsizetype>(feed - start));
        start = feed + 1;
    }
    // A partial last line waits for the rest instead of being lost.
    pending_.erase(0, lastFeed + 1);
    for (const QString& line : lines) {
        auto* item = new QListWidgetItem(line);
        item->setSizeHint(naturalSize(line));
        list_->addItem(item);
    }
    list_->scrollToBottom();
}

// Measured once per line and kept with it: left to the view, every line's text would be laid
// out again at each change of the list, two thousand of them per record while polling.
QSize LogPane::naturalSize(const QString& text) const {
    QStyleOptionViewItem option;
    option.initFrom(list_);
    option.font = list_->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    option.textElideMode = Qt::ElideNone;
    return list_->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list_);
}

void LogPane::dropOldest(int count) {
    list_->setUpdatesEnabled(false);
    for (int i = 0; i < count && list_->count() > 0; ++i) delete list_->takeItem(0);
    list_->setUpdatesEnabled(true);
}

void LogPane::clearEntries(int count) {
    if (count < 0 || count >= list_->count())
        list_->clear();
    else
        dropOldest(count);
    pending_.clear();
    list_->update();
}
void LogPane::setFontSize(int size) {
    size = std::max(size, 1);
    QFont font("Courier");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(size);
    font.setWeight(QFont::Thin);
    // The pane's characters are as wide as they are high: a face's own width is narrower, so
    // it is stretched until its average character is the size wide.
    const int naturalWidth = QFontMetrics(font).averageCharWidth();
    if (naturalWidth > 0) {
        const int stretch = static_cast<int>(std::lround(100.0 * size / naturalWidth));
        font.setStretch(std::clamp(stretch, 1, 4000));
    }
    list_->setFont(font);
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        item->setSizeHint(naturalSize(item->text()));
    }
}

void LogPane::copySelected() {
    QList<int> rows;
    for (const auto* item : list_->selectedItems()) rows.push_back(list_->row(item));
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const int row : rows) lines << list_->item(row)->text();
    if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join('\n'));
}

int LogPane::entryCount() const {
    return list_->count();
}

QString LogPane::entry(int index) const {
    const auto* item = list_->item(index);
    return item ? item->text() : QString();
}

void LogPane::closeEvent(QCloseEvent* event) {
    // Hiding instead of destroying keeps later results visible with the next report.
    event->ignore();
    hide();
    emit closedByOperator();
}

bool LogPane::eventFilter(QObject* watched, QEvent* event) {
    // A new size shows other lines: the newest stays in sight, as after an append.
    if (watched == list_ && event->type() == QEvent::Resize) {
        const bool handled = QWidget::eventFilter(watched, event);
        QMetaObject::invokeMethod(list_, &QListWidget::scrollToBottom, Qt::QueuedConnection);
        return handled;
    }
    // The item view's own Copy takes the current line only.
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelected();
        return true;
    }
    // A line wider than the pane is shown whole where the pointer rests.
    if (watched == list_->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto* item = list_->itemAt(help->pos());
        if (item && !item->text().isEmpty())
            QToolTip::showText(help->globalPos(), item->text(), list_->viewport());
        else
            QToolTip::hideText();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && parentWidget())
        parentWidget()->activateWindow();
    return QWidget::eventFilter(watched, event);
}

}  // namespace vantrel
