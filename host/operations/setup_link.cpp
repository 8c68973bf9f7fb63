#include "setup_link.h"

#include "vantlink.h"

namespace vantrel {

namespace {

class LibrarySetupLink final : public SetupLink {
public:
    int call(SetupCall call, int port, char address, const std::string& text, int number) override {
        const std::int32_t to = static_cast<unsigned char>(address);
        const char* argument = text.c_str();
        switch (call) {
            case SetupCall::ColdStart:
                return HM_cold_start(port, to);
            case SetupCall::WarmStart:
                return HM_warm_start(port, to);
            case SetupCall::Kermit:
                return HM_kermit(port, to);
            case SetupCall::PowerSavingOff:
                return HM_power_saving_off(port, to);
            case SetupCall::PowerSavingOn:
                return HM_power_saving_on(port, to);
            case SetupCall::Delete:
                return HM_delete(port, to, argument);
            case SetupCall::Run:
                return HM_run(port, to, argument);
            case SetupCall::SendData:
                return HM_send_data(port, to, argument);
            case SetupCall::SetAddress:
                return HM_set_address(port, to, number);
            case SetupCall::AutoBoot:
                return HM_autoboot(port, to, argument);
            case SetupCall::BarTable:
                return HM_bar_tab(port, to, argument);
            case SetupCall::Buzzer:
                return HM_buzzer(port, to, number);
            case SetupCall::SystemFont:
                return HM_system_font(port, to, number);
            case SetupCall::CommTable:
                return HM_comm_tab(port, to, argument);
            case SetupCall::DeviceTable:
                return HM_dev_tab(port, to, argument);
            case SetupCall::ExeSize:
                return HM_exe_size(port, to, number);
            case SetupCall::Keypad:
                return HM_keypad(port, to, number);
            case SetupCall::Password:
                return HM_password(port, to, argument);
            case SetupCall::DateTime:
                return HM_date_time(port, to, argument);
            case SetupCall::Ups:
                return HM_ups(port, to);
        }
        return RC_ILLEGAL_COMMAND;
    }

    void delay(int milliseconds) override { HM_time_delay(milliseconds); }
};

}  // namespace

SetupLink& librarySetupLink() {
    static LibrarySetupLink link;
    return link;
}

}  // namespace vantrel
