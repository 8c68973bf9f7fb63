#pragma once

#include <QDialog>

#include <optional>
#include "dialog_parts.h"

#include "comm_dialog_values.h"

class QCheckBox;

namespace vantrel {

// "Command line setting": how unattended runs end and report errors.
class CCommandLineDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CCommandLineDlg(const CommandLineValues& initial, QWidget* parent = nullptr);

    CommandLineValues values() const;

    static std::optional<CommandLineValues> ask(const CommandLineValues& initial, QWidget* parent);

private:
    QCheckBox* autoExit_;
    QCheckBox* showErrorBox_;
};

}  // namespace vantrel
