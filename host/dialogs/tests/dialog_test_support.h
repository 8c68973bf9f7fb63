// What the dialog tests do as the operator would: press OK, pick a radio button, choose a file.
#pragma once

#include <QFileDialog>
#include <QRadioButton>

#include "modal_answerer.h"

// Presses OK on a dialog that is not shown; a refusal box is answered and its text returned.
template <typename Dialog>
QString pressOk(Dialog& dialog) {
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    dialog.accept();
    return answerer.answered() ? answerer.lastText() : QString();
}

inline QRadioButton* radio(QWidget& dialog, const QString& text) {
    for (auto* button : dialog.findChildren<QRadioButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

// What a file-open dialog offered.
struct FileDialogSeen {
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool asksBeforeOverwriting = false;
};

// Answers a file-open dialog with path; an empty path cancels it.
inline ModalAnswerer::Answer chooseFile(const QString& path, FileDialogSeen* seen = nullptr) {
    return [path, seen](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) return;
        if (seen) {
            *seen = {dialog->nameFilters(), dialog->fileMode(),
                     !dialog->testOption(QFileDialog::DontConfirmOverwrite)};
        }
        if (path.isEmpty()) return dialog->reject();
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    };
}
