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

BoxSeverity boxSeverity(QMessageBox::Icon icon) {
    if (icon == QMessageBox::Critical) return BoxSeverity::Stop;
    return icon == QMessageBox::Warning ? BoxSeverity::Warning : BoxSeverity::Plain;
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

// A journal is often read on a terminal, which would obey control characters a terminal sent
// (a box may show its text): those, C1 included, are written as \xHH.
QString withoutControls(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0x20 && code != 0x7F && (code < 0x80 || code > 0x9F)) {
            shown += c;
            continue;
        }
        shown += QString::asprintf("\\x%02x", static_cast<unsigned>(code));
    }
    return shown;
}

}  // namespace

void toStandardError(const QString& text, MessageKind kind) {
    const std::string_view priority = journalPrefix(kind);
    const QString lead =
        QString::fromLatin1(priority.data(), static_cast<qsizetype>(priority.size())) +
        QApplication::applicationName();
    for (QString part : text.split('\n', Qt::SkipEmptyParts)) {
        // A report with an empty detail ends in blanks: a journal line need not.
        while (!part.isEmpty() && part.back().isSpace()) part.chop(1);
        if (part.isEmpty()) continue;
        const QByteArray line = (lead + ": " + withoutControls(part)).toLocal8Bit();
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

namespace {

bool& endingFlag() {
    static bool ending = false;
    return ending;
}

// What Escape would give: the escape button, else a No or Cancel.
QMessageBox::StandardButton cancelAnswer(const QMessageBox& box) {
    if (auto* escape = box.escapeButton()) return box.standardButton(escape);
    for (const auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort})
        if (box.button(button)) return button;
    return QMessageBox::NoButton;
}

}  // namespace

void setProgramEnding(bool ending) {
    endingFlag() = ending;
    if (!ending) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) dialog->reject();
    }
}

bool programEnding() {
    return endingFlag();
}

QMessageBox::StandardButton runMessageBox(QMessageBox& box, BoxEcho echo) {
    if (operatorCanAnswer()) {
        if (programEnding()) return cancelAnswer(box);
        const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
        return programEnding() ? cancelAnswer(box) : answer;
    }
    if (echo == BoxEcho::AlreadyInMessageWindow) return defaultAnswer(box);
    const QString text = unansweredText(box);
    toStandardError(text, boxKind(boxSeverity(box.icon()), box.text().toStdString()));
    if (sink()) sink()(text);
    return defaultAnswer(box);
}

int runDialog(QDialog& dialog) {
    if (programEnding()) return QDialog::Rejected;
    if (operatorCanAnswer()) {
        const int result = dialog.exec();
        return programEnding() ? QDialog::Rejected : result;
    }
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
