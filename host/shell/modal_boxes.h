#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

#include "journal_priority.h"

class QDialog;
class QWidget;

namespace vantrel {

class HostServices;

// The window that owns a command's boxes and dialogs: the view (none for a host without one).
QWidget* boxOwner(HostServices& services);

// Every modal box and dialog of the program runs through here. On a platform without a screen
// ("offscreen", "minimal") nobody can answer one, and an unattended run would wait for ever:
// there a box's text goes to standard error and to the message window and the run goes on as
// if its default button were pressed; a dialog takes its default answer. With a screen,
// boxes and dialogs run as usual.

bool platformHasScreen(const QString& platformName);

// Whether boxes are shown and waited for in this run. Tests that answer boxes themselves fix
// it to true; nullopt goes back to asking the platform.
bool operatorCanAnswer();
void setOperatorCanAnswer(std::optional<bool> fixed);

// One line to standard error, led by the program's name (and, for a journal, by the priority
// of its kind), so a journal holds it. Text of several lines becomes several such lines.
void toStandardError(const QString& text, MessageKind kind = MessageKind::Note);

// Where the text of an unanswered box goes besides standard error (the message window).
using UnansweredBoxSink = std::function<void(const QString& text)>;
void setUnansweredBoxSink(UnansweredBoxSink sink);

enum class BoxEcho {
    StderrAndMessageWindow,
    // The text is in the message window already, whose lines reach standard error by
    // themselves in such a run: it goes nowhere again.
    AlreadyInMessageWindow,
};

// The program is ending (SIGTERM): every open box and dialog is cancelled as Escape would, and
// any opened later answers so at once, so nothing holds the end back. Tests set it back.
void setProgramEnding(bool ending);
bool programEnding();

QMessageBox::StandardButton runMessageBox(QMessageBox& box,
                                          BoxEcho echo = BoxEcho::StderrAndMessageWindow);
// QDialog::Accepted or QDialog::Rejected.
int runDialog(QDialog& dialog);

// A box built from its parts, as the QMessageBox static functions do.
QMessageBox::StandardButton showMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

}  // namespace vantrel
