#pragma once

#include <QDialog>

#include <optional>
#include "dialog_parts.h"

#include "comm_dialog_values.h"

class QButtonGroup;
class QLineEdit;

namespace vantrel {

// "Modem Setting": whether a modem is used, its initial command, the dial wait and (through
// the Phone Book button) the named numbers.
class CModemSettingDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CModemSettingDlg(const ModemSettingValues& initial, QWidget* parent = nullptr);

    const ModemSettingValues& values() const { return values_; }
    QLineEdit* dialWaitField() const { return dialWait_; }
    QLineEdit* initialCommandField() const { return initialCommand_; }

    void accept() override;
    // Edits a copy of the phone book; it replaces the dialog's only on OK.
    void editPhoneBook();

    static std::optional<ModemSettingValues> ask(const ModemSettingValues& initial,
                                                 QWidget* parent);

private:
    ModemSettingValues values_;
    QButtonGroup* mode_;
    QLineEdit* initialCommand_;
    QLineEdit* dialWait_;
};

}  // namespace vantrel
