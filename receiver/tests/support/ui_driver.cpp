#include "ui_driver.h"

#include <QApplication>
#include <QDir>
#include <QFile>

namespace tembra::test {

Script::Script() {
    connect(&timer_, &QTimer::timeout, this, &Script::poll);
    timer_.start(2);
}

Script& Script::when(std::function<bool()> condition, std::function<void()> action) {
    steps_.push_back({std::move(condition), std::move(action)});
    return *this;
}

void Script::poll() {
    while (next_ < steps_.size() && steps_[next_].condition()) {
        // Advance first: the action may serve events that poll again.
        Step& step = steps_[next_++];
        step.action();
    }
}

BoxAnswerer::BoxAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::answer);
    timer_.start(5);
}

void BoxAnswerer::answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    const QList<QAbstractButton*> buttons = box->buttons();
    seen_.append({box->windowTitle(), box->text(), box->icon(), static_cast<int>(buttons.size())});
    if (!buttons.isEmpty()) {
        buttons.first()->click();
    } else {
        box->reject();
    }
}

ReceiverFixture::ReceiverFixture() {
    EXPECT_TRUE(dir_.isValid());
}

void ReceiverFixture::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray ReceiverFixture::readFile(const QString& name) const {
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void ReceiverFixture::writeSetup(int port, const QString& speed) {
    writeFile(QStringLiteral("Setup.ini"), "1COM" + QByteArray::number(port) + "\r\n2" +
                                               speed.toUtf8() + "\r\n3" + outputPath().toUtf8() +
                                               "\r\n");
}

ReceptionTiming ReceiverFixture::fastTiming() {
    ReceptionTiming timing;
    timing.openPause = std::chrono::milliseconds(5);
    timing.donePause = std::chrono::milliseconds(5);
    timing.closePause = std::chrono::milliseconds(5);
    timing.quietWaitBeforeFirstLine = std::chrono::microseconds(500);
    return timing;
}

Form1& ReceiverFixture::startForm(ReceptionTiming timing) {
    const QString setup = path(QStringLiteral("Setup.ini"));
    form_ = std::make_unique<Form1>(Form1Options{{setup, setup}, timing});
    QObject::connect(form_.get(), &Form1::statusShown,
                     [this](const QString& text, const QColor& colour) {
                         statuses_.append({text, colour});
                     });
    QObject::connect(form_.get(), &Form1::lineStored,
                     [this](const QByteArray& line) { storedLines_.append(line); });
    QObject::connect(form_.get(), &Form1::programEnding,
                     [this](int exitCode) { endings_.append(exitCode); });
    EXPECT_TRUE(form_->startUp());
    form_->show();
    return *form_;
}

void ReceiverFixture::receive(int limitMs) {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this, limitMs] {
        ADD_FAILURE() << "reception still running after " << limitMs << " ms";
        click("Command1");
    });
    watchdog.start(limitMs);
    click("Command4");
}

void ReceiverFixture::expectNoBoxes() const {
    for (const SeenBox& box : boxes_.seen()) ADD_FAILURE() << "box: " << box.text.toStdString();
}

QStringList ReceiverFixture::statusTexts() const {
    QStringList texts;
    for (const SeenStatus& status : statuses_) texts.append(status.text);
    return texts;
}

}  // namespace tembra::test
