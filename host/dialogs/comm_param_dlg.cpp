#include "comm_param_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "dialog_parts.h"
#include "file_open_dlg.h"
#include "link_glue.h"
#include "modal_boxes.h"
#include "port_choice.h"

namespace vantrel {

namespace {

constexpr int kDeviceRowsShown = 5;

// Why the environment decides, naming the device it gives.
QString overrideReason(const vantdev::PortChoice& choice) {
    const QString variable = QString::fromStdString(choice.variable);
    if (choice.path.empty()) {
        return QString(
                   "COM%1 has no device: %2 is set but empty in the environment, which "
                   "overrides this choice")
            .arg(choice.port)
            .arg(variable);
    }
    return QString("COM%1 is %2: set by %3 in the environment, which overrides this choice")
        .arg(choice.port)
        .arg(QString::fromStdString(choice.path), variable);
}

}  // namespace

CCommParamDlg::CCommParamDlg(const CommParamValues& initial, QWidget* parent,
                             SerialDeviceLister lister)
    : FittedDialog(parent),
      values_(initial),
      lister_(std::move(lister)),
      deviceChoices_(initial.portDevices) {
    setWindowTitle("Communication Parameter");
    auto* groups = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* middle = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    groups->addLayout(left);
    groups->addLayout(middle);
    groups->addLayout(right);

    baud_ = addRadioGroup(this, left, "&Baud Rate", baudRateLabels(), initial.baudIndex);
    dataBits_ = addRadioGroup(this, middle, "&Data Bits", {"7", "8"}, initial.dataBitsIndex);
    parity_ = addRadioGroup(this, middle, "P&arity", {"None", "Odd", "Even"}, initial.parityIndex);
    stopBits_ = addRadioGroup(this, middle, "&Stop Bits", {"1", "2"}, initial.stopBitsIndex);
    port_ =
        addRadioGroup(this, right, "&Port", {"COM1", "COM2", "COM3", "COM4"}, initial.portIndex);
    errorLog_ =
        addRadioGroup(this, right, "Error Log file", {"No", "Append", "New"}, initial.errorLogMode);

    address_ = new QLineEdit(QString::fromStdString(initial.addressList), this);
    escDelay_ = new QLineEdit(QString::number(initial.escDelay), this);
    nakDelay_ = new QLineEdit(QString::number(initial.nakDelay), this);
    timeOut_ = new QLineEdit(QString::number(initial.timeOut), this);
    powerSaving_ = new QCheckBox("Power Saving", this);
    powerSaving_->setChecked(initial.powerSaving != 0);
    auto* fields = new QFormLayout;
    fields->addRow("&Address:", address_);
    fields->addRow("ESC delay", fieldWithUnit(this, escDelay_, "ms"));
    fields->addRow("NAK delay", fieldWithUnit(this, nakDelay_, "ms"));
    fields->addRow("Time out", fieldWithUnit(this, timeOut_, "ms"));
    fields->addRow(powerSaving_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(fields);
    buildDevicePart(this, layout);
    addOkCancel(this, layout);

    devices_ = lister_ ? lister_() : std::vector<vantdev::SerialDevice>{};
    showDeviceOf(initial.portIndex);
    connect(port_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) showDeviceOf(id);
    });
}

void CCommParamDlg::buildDevicePart(QWidget* owner, QBoxLayout* layout) {
    deviceBox_ = new QGroupBox(owner);
    auto* box = new QVBoxLayout(deviceBox_);
    deviceList_ = new QListWidget(deviceBox_);
    deviceList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    deviceList_->setMaximumHeight(deviceList_->fontMetrics().height() * (kDeviceRowsShown + 1));
    box->addWidget(deviceList_);

    auto* other = new QHBoxLayout;
    auto* otherLabel = new QLabel("Other device:", deviceBox_);
    deviceField_ = new QLineEdit(deviceBox_);
    deviceField_->setMaxLength(static_cast<int>(kPortDeviceMax));
    deviceField_->setPlaceholderText("a path, or rfc2217://HOST:PORT for a device server");
    otherLabel->setBuddy(deviceField_);
    refresh_ = new QPushButton("Refresh", deviceBox_);
    refresh_->setAutoDefault(false);  // Enter in the field still means OK
    other->addWidget(otherLabel);
    other->addWidget(deviceField_, 1);
    other->addWidget(refresh_);
    box->addLayout(other);

    deviceReason_ = new QLabel(deviceBox_);
    deviceReason_->setWordWrap(true);
    deviceReason_->hide();
    box->addWidget(deviceReason_);
    layout->addWidget(deviceBox_);

    connect(deviceList_, &QListWidget::currentRowChanged, this, &CCommParamDlg::chooseRow);
    connect(deviceField_, &QLineEdit::textEdited, this, &CCommParamDlg::selectRowOfField);
    connect(refresh_, &QPushButton::clicked, this, &CCommParamDlg::refreshDevices);
}

// The part follows the Port group: the COM left keeps what was chosen for it.
void CCommParamDlg::showDeviceOf(int portIndex) {
    if (devicePort_ >= 0) deviceChoices_[devicePort_] = deviceField_->text().toStdString();
    devicePort_ = portIndex >= 0 && portIndex < kComPorts ? portIndex : -1;
    if (devicePort_ < 0) {
        deviceBox_->setTitle("Device");
        deviceBox_->setEnabled(false);
        return;
    }
    const int port = devicePort_ + 1;
    deviceBox_->setTitle(QString("Device of COM%1").arg(port));
    deviceField_->setText(QString::fromStdString(deviceChoices_[devicePort_]));
    const vantdev::PortChoice choice = vantdev::port_choice(kPortVariablePrefix, port, {});
    const bool overridden = choice.source == vantdev::PortSource::Environment;
    deviceBox_->setEnabled(true);
    deviceList_->setEnabled(!overridden);
    deviceField_->setReadOnly(overridden);
    refresh_->setEnabled(!overridden);
    deviceReason_->setText(overridden ? overrideReason(choice) : QString());
    deviceReason_->setVisible(overridden);
    fillDeviceRows();
}

// Adapters come and go while the dialog is open.
void CCommParamDlg::refreshDevices() {
    devices_ = lister_ ? lister_() : std::vector<vantdev::SerialDevice>{};
    fillDeviceRows();
}

void CCommParamDlg::fillDeviceRows() {
    const QSignalBlocker quiet(deviceList_);
    deviceList_->clear();
    const int port = devicePort_ >= 0 ? devicePort_ + 1 : 1;
    auto* standard = new QListWidgetItem(QString("Default: /dev/ttyS%1").arg(port - 1));
    standard->setData(Qt::UserRole, QString());
    deviceList_->addItem(standard);
    for (const auto& device : devices_) {
        auto* row = new QListWidgetItem(QString::fromStdString(vantdev::describe(device)));
        row->setData(Qt::UserRole, QString::fromStdString(device.path()));
        deviceList_->addItem(row);
    }
    selectRowOfField();
}

// The row that the field names (any link to the same device counts), none for another path.
void CCommParamDlg::selectRowOfField() {
    const QSignalBlocker quiet(deviceList_);
    const std::string path = deviceField_->text().trimmed().toStdString();
    int row = path.empty() ? 0 : -1;
    for (std::size_t i = 0; row < 0 && i < devices_.size(); ++i) {
        if (vantdev::names_device(devices_[i], path)) row = static_cast<int>(i) + 1;
    }
    deviceList_->setCurrentRow(row);
}

void CCommParamDlg::chooseRow(int row) {
    const QListWidgetItem* item = deviceList_->item(row);
    if (item == nullptr || deviceField_->isReadOnly()) return;
    deviceField_->setText(item->data(Qt::UserRole).toString());
}

void CCommParamDlg::accept() {
    const IntegerFieldRule plainInt;
    const auto esc = readIntegerField(escDelay_, plainInt);
    if (!esc) return;
    const auto nak = readIntegerField(nakDelay_, plainInt);
    if (!nak) return;
    const auto timeOut = readIntegerField(timeOut_, plainInt);
    if (!timeOut) return;
    if (devicePort_ >= 0) deviceChoices_[devicePort_] = deviceField_->text().toStdString();
    std::array<std::string, kComPorts> devices;
    for (int i = 0; i < kComPorts; ++i) {
        // A blank typed around a path would only make it name no device.
        const QString path = QString::fromStdString(deviceChoices_[i]).trimmed();
        // Named by its COM: the Port group, which shows it, is the operator's choice of port.
        if (!fitsSettingsBytes(this, path, kPortDeviceMax, QString("device of COM%1").arg(i + 1))) {
            if (i == devicePort_) deviceField_->setFocus();
            if (i == devicePort_) deviceField_->selectAll();
            return;
        }
        devices[i] = path.toStdString();
    }
    values_.baudIndex = checkedIndex(baud_);
    values_.dataBitsIndex = checkedIndex(dataBits_);
    values_.parityIndex = checkedIndex(parity_);
    values_.portIndex = checkedIndex(port_);
    values_.stopBitsIndex = checkedIndex(stopBits_);
    values_.errorLogMode = checkedIndex(errorLog_);
    values_.addressList = address_->text().toUpper().toStdString();
    values_.powerSaving = powerSaving_->isChecked() ? 1 : 0;
    values_.escDelay = static_cast<int>(*esc);
    values_.nakDelay = static_cast<int>(*nak);
    values_.timeOut = static_cast<std::int32_t>(*timeOut);
    values_.portDevices = devices;
    QDialog::accept();
}

std::optional<CommParamValues> CCommParamDlg::ask(const CommParamValues& initial, QWidget* parent) {
    CCommParamDlg dialog(initial, parent);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace vantrel
