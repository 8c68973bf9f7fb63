#include "dialup_commands.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>

#include "command_ids.h"
#include "dial_link.h"
#include "dial_phone_dlg.h"
#include "dialer.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "modem_setting_dlg.h"

namespace vantrel {

namespace {

class WindowPrompts final : public DialPrompts {
public:
    explicit WindowPrompts(QWidget* owner) : owner_(owner) {}

    std::optional<std::string> choosePhoneEntry(const std::vector<std::string>& entries) override {
        return CDialPhoneDlg::ask(entries, owner_);
    }
    void showMessage(const std::string& text, bool stop) override {
        showMessageBox(owner_, stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                       QApplication::applicationName(), QString::fromStdString(text));
    }

private:
    QWidget* owner_;
};

// What the handlers share for the whole run.
struct DialupModule {
    explicit DialupModule(HostServices& services)
        : prompts(boxOwner(services)), dialer(services, libraryDialLink(), prompts) {}
    WindowPrompts prompts;
    Dialer dialer;
};

}  // namespace

void runSetupModem(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = CModemSettingDlg::ask(modemSettingValuesFor(s), owner);
    if (!values) return;
    applyModemSettingValues(*values, s);
    services.saveSettings();
}

void install_dialup_commands(HostServices& services) {
    auto module = std::make_shared<DialupModule>(services);
    services.setCommandHandler(ID_PORT_CONNECT, [module] { module->dialer.connect(); });
    services.setCommandHandler(ID_PORT_DISCONNECT, [module] { module->dialer.disconnect(); });
    services.setCommandHandler(ID_PORT_REDIAL, [module] { module->dialer.redial(); });

    QWidget* owner = boxOwner(services);
    auto& host = services;
    services.setCommandHandler(ID_SETUP_MODEM, [&host, owner] { runSetupModem(host, owner); });
}

}  // namespace vantrel
