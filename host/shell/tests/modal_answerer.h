#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

// Answers the next modal dialog or message box as soon as it opens, so no test waits on a box.
class ModalAnswerer {
public:
    using Answer = std::function<void(QWidget*)>;

    explicit ModalAnswerer(Answer answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    ~ModalAnswerer() { timer_.stop(); }

    int answered() const { return answered_; }
    const QString& lastText() const { return lastText_; }
    const QString& lastTitle() const { return lastTitle_; }
    // Keep answering every box that opens, not only the first.
    void keepAnswering() { repeat_ = true; }

    static Answer pressButton(QMessageBox::StandardButton which) {
        return [which](QWidget* widget) {
            if (auto* box = qobject_cast<QMessageBox*>(widget)) box->button(which)->click();
        };
    }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) lastText_ = box->text();
            lastTitle_ = modal->windowTitle();
            ++answered_;
            if (!repeat_) timer_.stop();
            answer_(modal);
            return;
        }
    }

    Answer answer_;
    QTimer timer_;
    int answered_ = 0;
    bool repeat_ = false;
    QString lastText_;
    QString lastTitle_;
};
