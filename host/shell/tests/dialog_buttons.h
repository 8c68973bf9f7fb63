#pragma once

#include <QDialogButtonBox>
#include <QPushButton>
#include <QWidget>

// Presses a button of a dialog the way the operator would.
inline void pressDialogButton(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    for (auto* box : dialog->findChildren<QDialogButtonBox*>())
        if (auto* button = box->button(which)) return button->click();
}

inline void pressButtonNamed(QWidget* dialog, const QString& caption) {
    for (auto* button : dialog->findChildren<QPushButton*>())
        if (button->text() == caption) return button->click();
}
