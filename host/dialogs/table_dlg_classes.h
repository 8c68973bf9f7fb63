// The dialogs behind table_dlgs.h.
#pragma once

#include <QDialog>

#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "dialog_parts.h"

#include "table_dlgs.h"

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QLineEdit;

namespace vantrel {

// A table dialog: one labelled row per setting, each a row of radio buttons that opens on its
// first button or a number field that opens on its preset.
class CTableDlg : public FittedDialog {
    Q_OBJECT
public:
    // The row's buttons, with ids 0 up; nullptr for no such row.
    QButtonGroup* row(const QString& label) const;
    // The row's number field; nullptr for no such row.
    QLineEdit* numberField(const QString& label) const;

    // OK only when every number field holds an integer in its range.
    void accept() override;

protected:
    CTableDlg(const QString& title, QWidget* parent);
    void addRow(const QString& label, const QStringList& buttons);
    void addNumberRow(const QString& label, int preset, int min, int max);
    // Puts OK and Cancel under the rows; called once the rows are in.
    void finish();

    int chosen(const QString& label) const;
    // The field's integer as last accepted.
    int number(const QString& label) const;

private:
    struct NumberRow {
        QString label;
        QLineEdit* field;
        int min;
        int max;
        int value;
    };
    QGridLayout* rows_;
    std::vector<std::pair<QString, QButtonGroup*>> groups_;
    std::vector<NumberRow> numbers_;
};

// "Bar code symbology".
class CBarCodeDlg : public CTableDlg {
    Q_OBJECT
public:
    explicit CBarCodeDlg(QWidget* parent = nullptr);
    opscore::BarCodeChoice choice() const;
};

// "Device configuration table for KD35/KD31/KD32".
class CDeviceTableKD35Dlg : public CTableDlg {
    Q_OBJECT
public:
    explicit CDeviceTableKD35Dlg(QWidget* parent = nullptr);
    opscore::Kd35DeviceChoice choice() const;
};

// "Device configuration table for KD24".
class CDeviceTableKD24Dlg : public CTableDlg {
    Q_OBJECT
public:
    explicit CDeviceTableKD24Dlg(QWidget* parent = nullptr);
    // The beep volume as taken on OK.
    opscore::Kd24DeviceChoice choice() const;
};

// "Device configuration table for VS17/VS19", also for the VS15.
class CDeviceTableVS17Dlg : public CTableDlg {
    Q_OBJECT
public:
    explicit CDeviceTableVS17Dlg(QWidget* parent = nullptr);
    // The auto-off time as taken on OK.
    opscore::Vs17DeviceChoice choice() const;
};

// "Change addreee": From lists the addresses in use in their order, To the free addresses of
// the address alphabet in its order.
class CChangeAddressDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CChangeAddressDlg(const std::string& addresses, QWidget* parent = nullptr);

    QComboBox* fromList() const { return from_; }
    QComboBox* toList() const { return to_; }
    // The chosen pair; nothing while a list is empty (no address in use, or none free).
    std::optional<AddressChange> change() const;

    void accept() override;

private:
    QComboBox* from_;
    QComboBox* to_;
};

// "A" to "Y", then "0" to "6": the addresses a terminal can be given.
extern const char kAddressAlphabet[];

}  // namespace vantrel
