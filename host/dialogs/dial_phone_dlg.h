#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>
#include "dialog_parts.h"

class QListWidget;

namespace vantrel {

// "Dial Phone No.": picks the phone-book entry to dial.
class CDialPhoneDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CDialPhoneDlg(const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // The entry that closed the dialog.
    const std::string& chosenEntry() const { return chosen_; }
    QListWidget* list() const { return list_; }

    static std::optional<std::string> ask(const std::vector<std::string>& entries, QWidget* parent);

private:
    void connectSelected();

    QListWidget* list_;
    std::string chosen_;
};

}  // namespace vantrel
