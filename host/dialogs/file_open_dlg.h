// The file-open dialog of every "Browse" button.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>

class QWidget;

namespace vantrel {

// Filters in the "description | pattern | ... ||" form the Browse buttons are given.
inline constexpr const char* kAllFilesFilter = "All files (*.*) | *.* ||";
inline constexpr const char* kKd24FilesFilter =
    "CFG files (*.KD24) | *.KD24 |All files (*.*) | *.* ||";

struct FileOpenRequest {
    QString filter;       // "description | pattern | ... ||"
    QString initialName;  // a wildcard name only narrows the list, as the filter does already
    bool mustExist = true;
};

// "Description (patterns)" per description/pattern pair, as the file dialog takes them. "*.*"
// means every file, also those without a dot in their name.
QStringList nameFiltersFromFilterText(const QString& filterText);

// False, with the operator told, when the settings file would give the text back cut short:
// its room is counted in bytes, and a cut could fall inside a character. what names the field.
bool fitsSettingsBytes(QWidget* owner, const QString& text, std::size_t maxBytes,
                       const QString& what);
inline bool fitsSettingsText(QWidget* owner, const QString& path, std::size_t maxBytes) {
    return fitsSettingsBytes(owner, path, maxBytes, "file name");
}

// The full path of the chosen file; nothing when cancelled (or nobody can answer).
std::optional<QString> chooseFileToOpen(QWidget* owner, const FileOpenRequest& request);

}  // namespace vantrel
