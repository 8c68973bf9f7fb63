#include "table_dlgs.h"

namespace vantrel {

std::optional<opscore::BarCodeChoice> askBarCode(QWidget*) {
    return std::nullopt;
}

std::optional<opscore::Kd35DeviceChoice> askKd35Device(QWidget*) {
    return std::nullopt;
}

std::optional<opscore::Kd24DeviceChoice> askKd24Device(QWidget*) {
    return std::nullopt;
}

std::optional<opscore::Vs17DeviceChoice> askVs17Device(QWidget*) {
    return std::nullopt;
}

std::optional<AddressChange> askAddressChange(const std::string&, QWidget*) {
    return std::nullopt;
}

}  // namespace vantrel
