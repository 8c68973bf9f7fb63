#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>
#include "dialog_parts.h"

class QLineEdit;
class QListWidget;

namespace vantrel {

// "PHONE BOOK": edits the named numbers as entry texts in a sorted list.
class CPhoneBookDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CPhoneBookDlg(const std::vector<std::string>& entries, QWidget* parent = nullptr);

    // Every entry of the list, in list order.
    std::vector<std::string> entries() const;

    QLineEdit* nameField() const { return name_; }
    QLineEdit* numberField() const { return number_; }
    QListWidget* list() const { return list_; }

    void addNew();
    void deleteSelected();
    void modifySelected();
    void takeIntoFields(int row);

    static std::optional<std::vector<std::string>> ask(const std::vector<std::string>& entries,
                                                       QWidget* parent);

private:
    bool fieldsFilled();
    void addEntry();
    void tell(const char* text);

    QLineEdit* name_;
    QLineEdit* number_;
    QListWidget* list_;
};

}  // namespace vantrel
