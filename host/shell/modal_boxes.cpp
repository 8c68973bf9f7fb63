#include "modal_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <cstdio>

#include "host_services.h"

namespace vantrel {

namespace {

std::optional<bool>& fixedAnswer() {
    static std::optional<bool> fixed;
    return fixed;
}

UnansweredBoxSink& sink() {
    static UnansweredBoxSink boxSink;
    return boxSink;
}

// The caption says something of its own only when it is not the program's name (the script
// box names the missing file and says what is wrong in its caption).
QString unansweredText(const QMessageBox& box) {
    const QString caption = box.windowTitle();
    if (caption.isEmpty() || caption == QApplication::applicationName()) return box.text();
    return caption + ": " + box.text();
}

bool accepts(QMessageBox::ButtonRole role) {
    return role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
}

// The button Enter would press: the one made default, else the first that accepts, else the
// one Escape would press.
QMessageBox::StandardButton defaultAnswer(const QMessageBox& box) {
    if (auto* chosen = box.defaultButton()) return box.standardButton(chosen);
    for (auto* button : box.buttons())
        if (accepts(box.buttonRole(button))) return box.standardButton(button);
    if (auto* escape = box.escapeButton()) return box.standardButton(escape);
    return QMessageBox::Ok;
}

bool acceptsInBox(QDialogButtonBox::ButtonRole role) {
    return role == QDialogButtonBox::AcceptRole || role == QDialogButtonBox::YesRole;
}

QPushButton* dialogDefaultButton(QDialog& dialog) {
    for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->isDefault()) return button;
    for (auto* box : dialog.findChildren<QDialogButtonBox*>()) {
        for (auto* button : box->buttons())
            if (acceptsInBox(box->buttonRole(button))) return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

}  // namespace

void toStandardError(const QString& text) {
    const QString name = QApplication::applicationName();
    for (QString part : text.split('\n', Qt::SkipEmptyParts)) {
        // A report with an empty detail ends in blanks: a journal line need not.
        while (!part.isEmpty() && part.back().isSpace()) part.chop(1);
        if (part.isEmpty()) continue;
        const QByteArray line = (name + ": " + part).toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
    }
    std::fflush(stderr);
}

bool platformHasScreen(const QString& platformName) {
    return platformName != "offscreen" && platformName != "minimal";
}

bool operatorCanAnswer() {
    if (fixedAnswer()) return *fixedAnswer();
    return platformHasScreen(QGuiApplication::platformName());
}

void setOperatorCanAnswer(std::optional<bool> fixed) {
    fixedAnswer() = fixed;
}

void setUnansweredBoxSink(UnansweredBoxSink boxSink) {
    sink() = std::move(boxSink);
}

QMessageBox::StandardButton runMessageBox(QMessageBox& box, BoxEcho echo) {
    if (operatorCanAnswer()) return static_cast<QMessageBox::StandardButton>(box.exec());
    if (echo == BoxEcho::AlreadyInMessageWindow) return defaultAnswer(box);
    const QString text = unansweredText(box);
    toStandardError(text);
    if (sink()) sink()(text);
    return defaultAnswer(box);
}

int runDialog(QDialog& dialog) {
    if (operatorCanAnswer()) return dialog.exec();
    // No file can be chosen without an operator.
    if (qobject_cast<QFileDialog*>(&dialog)) return QDialog::Rejected;
    dialog.setResult(QDialog::Rejected);
    // Pressing it runs the dialog's own checks; one that refuses leaves the dialog rejected.
    if (auto* button = dialogDefaultButton(dialog)) button->click();
    toStandardError("\"" + dialog.windowTitle() + "\" took its default answer");
    return dialog.result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
}

QMessageBox::StandardButton showMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return runMessageBox(box);
}

QWidget* boxOwner(HostServices& services) {
    return dynamic_cast<QWidget*>(&services);
}

}  // namespace vantrel
