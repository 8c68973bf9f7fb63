#pragma once

#include <QDialog>
#include <optional>

#include "comm_dialog_values.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace vantrel {

// "Communication Parameter": the PC's serial line, the address list, the error log and the
// link timing.
class CCommParamDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCommParamDlg(const CommParamValues& initial, QWidget* parent = nullptr);

    // The values as they stand; the numbers are those read by the last accepted OK.
    const CommParamValues& values() const { return values_; }
    QLineEdit* escDelayField() const { return escDelay_; }
    QLineEdit* nakDelayField() const { return nakDelay_; }
    QLineEdit* timeOutField() const { return timeOut_; }
    QLineEdit* addressField() const { return address_; }

    void accept() override;

    static std::optional<CommParamValues> ask(const CommParamValues& initial, QWidget* parent);

private:
    CommParamValues values_;
    QButtonGroup* baud_;
    QButtonGroup* dataBits_;
    QButtonGroup* parity_;
    QButtonGroup* port_;
    QButtonGroup* stopBits_;
    QButtonGroup* errorLog_;
    QLineEdit* address_;
    QCheckBox* powerSaving_;
    QLineEdit* escDelay_;
    QLineEdit* nakDelay_;
    QLineEdit* timeOut_;
};

}  // namespace vantrel
