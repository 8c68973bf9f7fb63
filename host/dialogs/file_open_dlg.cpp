#include "file_open_dlg.h"

#include <QApplication>
#include <QFileDialog>

#include "modal_boxes.h"

namespace vantrel {

namespace {

QString patternsFor(QString pattern) {
    pattern = pattern.trimmed();
    pattern.replace(';', ' ');
    return pattern == "*.*" ? QStringLiteral("*") : pattern;
}

bool isWildcard(const QString& name) {
    return name.contains('*') || name.contains('?');
}

}  // namespace

QStringList nameFiltersFromFilterText(const QString& filterText) {
    const QStringList parts = filterText.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = patternsFor(parts[i + 1]);
        // An empty pair ends the list ("||").
        if (description.isEmpty() || patterns.isEmpty()) break;
        filters << description + " (" + patterns + ")";
    }
    return filters;
}

bool fitsSettingsBytes(QWidget* owner, const QString& text, std::size_t maxBytes,
                       const QString& what) {
    if (text.toStdString().size() <= maxBytes) return true;
    showMessageBox(owner, QMessageBox::Warning, QApplication::applicationName(),
                   QString("The %1 is too long (at most %2 bytes).")
                       .arg(what)
                       .arg(static_cast<qulonglong>(maxBytes)));
    return false;
}

std::optional<QString> chooseFileToOpen(QWidget* owner, const FileOpenRequest& request) {
    QFileDialog dialog(owner, "Open");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The description already names its patterns; the dialog would show them twice.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFiltersFromFilterText(request.filter));
    if (!request.initialName.isEmpty() && !isWildcard(request.initialName))
        dialog.selectFile(request.initialName);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front();
}

}  // namespace vantrel
