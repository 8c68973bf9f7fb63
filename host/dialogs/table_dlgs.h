// The terminal table dialogs: bar-code symbologies, the device options of each terminal
// family, and a change of one terminal address. They open with the same values every time.
#pragma once

#include <optional>
#include <string>

#include "table_texts.h"

class QWidget;

namespace vantrel {

// "Bar code symbology"; nothing when cancelled.
std::optional<opscore::BarCodeChoice> askBarCode(QWidget* owner);

// The device dialog of each family: "Device configuration table for KD35/KD31/KD32", "... for
// KD24", "... for VS17/VS19" (also for the VS15).
std::optional<opscore::Kd35DeviceChoice> askKd35Device(QWidget* owner);
std::optional<opscore::Kd24DeviceChoice> askKd24Device(QWidget* owner);
std::optional<opscore::Vs17DeviceChoice> askVs17Device(QWidget* owner);

// "Change addreee": From offers the addresses in use, To the free ones.
struct AddressChange {
    char from = 0;
    char to = 0;
};
std::optional<AddressChange> askAddressChange(const std::string& addresses, QWidget* owner);

}  // namespace vantrel
