#pragma once

#include <QString>
#include <QWidget>
#include <string_view>

class QListWidget;

namespace vantrel {

// A pop-up list of text lines owned by the main window: the message pane and the poll data
// pane. Appended text becomes one entry per complete line.
class LogPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 2000;
    static constexpr int kDropCount = 10;

    LogPane(const QString& caption, QWidget* owner);

    void appendText(std::string_view text);
    // Removes count entries from the top (all when count is negative) and pending text.
    void clearEntries(int count = -1);
    void setFontSize(int size);

    // The selected lines, top to bottom, one per line, to the clipboard.
    void copySelected();

    int entryCount() const;
    QString entry(int index) const;
    QListWidget* list() const { return list_; }

signals:
    // The operator closed the pane with its own close box.
    void closedByOperator();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dropOldest(int count);
    QSize naturalSize(const QString& text) const;

    QListWidget* list_;
    std::string pending_;
};

}  // namespace vantrel
