#include "operator_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "host_services.h"
#include "modal_boxes.h"
#include "request_text.h"

namespace vantrel {

namespace {

void showBox(QWidget* owner, QMessageBox::Icon icon, const std::string& text,
             const QString& caption) {
    showMessageBox(owner, icon, caption, QString::fromLocal8Bit(text.c_str()));
}

}  // namespace

std::string tooLongForRequest(const std::string& what) {
    return "The " + what + " is too long (at most " + std::to_string(opscore::kMaxRequestText) +
           " bytes)";
}

void MessageBoxPrompts::showMessage(const std::string& text, bool stop) {
    showBox(owner_, stop ? QMessageBox::Critical : QMessageBox::NoIcon, text,
            QApplication::applicationName());
}

void MessageBoxPrompts::showMessageWithCaption(const std::string& text,
                                               const std::string& caption) {
    showBox(owner_, QMessageBox::NoIcon, text, QString::fromLocal8Bit(caption.c_str()));
}

std::optional<std::string> MessageBoxPrompts::chooseFile(const std::string& caption) {
    QFileDialog dialog(owner_, QString::fromLocal8Bit(caption.c_str()), QString(),
                       "Text files (*.txt *.TXT);;All files (*)");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toLocal8Bit().toStdString();
}

bool MessageBoxPrompts::askYesNo(const std::string& text) {
    return showMessageBox(owner_, QMessageBox::Question, QApplication::applicationName(),
                          QString::fromLocal8Bit(text.c_str()), QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vantrel
