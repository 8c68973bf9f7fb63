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
#include "settings_commands.h"

namespace vantrel {

namespace {

// The view is the window that owns the dialogs.
QWidget* dialogOwner(HostServices& services) {
    return dynamic_cast<QWidget*>(&services);
}

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
        : prompts(dialogOwner(services)), dialer(services, libraryDialLink(), prompts) {}
    WindowPrompts prompts;
    Dialer dialer;
};

}  // namespace

void install_dialup_commands(HostServices& services) {
    auto module = std::make_shared<DialupModule>(services);
    services.setCommandHandler(ID_PORT_CONNECT, [module] { module->dialer.connect(); });
    services.setCommandHandler(ID_PORT_DISCONNECT, [module] { module->dialer.disconnect(); });

    QWidget* owner = dialogOwner(services);
    auto& host = services;
    services.setCommandHandler(ID_SETUP_PARAMETER,
                               [&host, owner] { runSetupParameter(host, owner); });
    services.setCommandHandler(ID_SETUP_COMMAND_LINE,
                               [&host, owner] { runSetupCommandLine(host, owner); });
    services.setCommandHandler(ID_SETUP_MODEM, [&host, owner] { runSetupModem(host, owner); });
}

}  // namespace vantrel
