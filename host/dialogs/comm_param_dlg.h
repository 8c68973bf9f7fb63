#pragma once

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <vector>
#include "dialog_parts.h"

#include "comm_dialog_values.h"
#include "serial_devices.h"

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vantrel {

// The serial devices present now; tests hand in recorded ones.
using SerialDeviceLister = std::function<std::vector<vantdev::SerialDevice>()>;

// "Communication Parameter": the PC's serial line, the device of each COM, the address list,
// the error log and the link timing.
class CCommParamDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CCommParamDlg(const CommParamValues& initial, QWidget* parent = nullptr,
                           SerialDeviceLister lister = vantdev::list_serial_devices);

    // The values as they stand; the numbers are those read by the last accepted OK.
    const CommParamValues& values() const { return values_; }
    QLineEdit* escDelayField() const { return escDelay_; }
    QLineEdit* nakDelayField() const { return nakDelay_; }
    QLineEdit* timeOutField() const { return timeOut_; }
    QLineEdit* addressField() const { return address_; }
    // The device part, for the COM chosen in the Port group: its first row is the default.
    QListWidget* deviceList() const { return deviceList_; }
    QLineEdit* deviceField() const { return deviceField_; }
    QPushButton* refreshButton() const { return refresh_; }
    // Why the device part is read-only; hidden while the choice is the operator's.
    QLabel* deviceReason() const { return deviceReason_; }

    void accept() override;

    static std::optional<CommParamValues> ask(const CommParamValues& initial, QWidget* parent);

private:
    void buildDevicePart(QWidget* owner, QBoxLayout* layout);
    void showDeviceOf(int portIndex);
    void refreshDevices();
    void fillDeviceRows();
    void selectRowOfField();
    void chooseRow(int row);

    CommParamValues values_;
    SerialDeviceLister lister_;
    std::vector<vantdev::SerialDevice> devices_;
    // What the operator chose for each COM so far; stored on OK.
    std::array<std::string, kComPorts> deviceChoices_;
    int devicePort_ = -1;  // the COM (index) whose device the part shows
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
    QGroupBox* deviceBox_ = nullptr;
    QListWidget* deviceList_ = nullptr;
    QLineEdit* deviceField_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QLabel* deviceReason_ = nullptr;
};

}  // namespace vantrel
