#pragma once

#include <QDialog>

#include <optional>
#include "dialog_parts.h"

#include "terminal_type_choice.h"

class QButtonGroup;
class QCheckBox;

namespace vantrel {

// "Terminal type select": the terminal family and whether to take its default link timing.
class CTerminalTypeDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CTerminalTypeDlg(const TerminalTypeChoice& initial, QWidget* parent = nullptr);

    TerminalTypeChoice choice() const;

    // Runs the dialog; the choice on OK, nothing on Cancel or close.
    static std::optional<TerminalTypeChoice> ask(const TerminalTypeChoice& initial,
                                                 QWidget* parent);

private:
    QCheckBox* useDefaultDelays_;
    QButtonGroup* types_;
};

}  // namespace vantrel
