#pragma once

#include <QDialog>

#include <optional>
#include "dialog_parts.h"

#include "comm_dialog_values.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace vantrel {

// "Change comm. parameter": the line the terminals' communication table is to set.
class CChangeCommDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CChangeCommDlg(const ChangeCommValues& initial, QWidget* parent = nullptr);

    const ChangeCommValues& values() const { return values_; }
    QLineEdit* timeoutField() const { return timeout_; }

    void accept() override;

    static std::optional<ChangeCommValues> ask(const ChangeCommValues& initial, QWidget* parent);

private:
    ChangeCommValues values_;
    QButtonGroup* baud_;
    QButtonGroup* parity_;
    QButtonGroup* dataBits_;
    QButtonGroup* stopBits_;
    QCheckBox* changePc_;
    QLineEdit* timeout_;
};

}  // namespace vantrel
