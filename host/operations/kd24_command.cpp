#include "kd24_command.h"

#include <memory>

#include "command_ids.h"
#include "host_services.h"
#include "input_file.h"
#include "kd24_config.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "polling_time_dlgs.h"
#include "terminal_frame.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr char kReportLabel[] = "Set KD24 configuration table";

class LibraryKd24Link final : public Kd24Link {
public:
    int sendRecord(int port, char address, const std::string& record) override {
        return HM_KD24_record(port, static_cast<unsigned char>(address), record.c_str());
    }
};

struct Kd24Module {
    explicit Kd24Module(HostServices& services)
        : prompts(boxOwner(services)),
          command(services, libraryKd24Link(), prompts,
                  [owner = boxOwner(services)](const std::string& preset) {
                      return askRemoteConfigFile(preset, owner);
                  }) {}
    MessageBoxPrompts prompts;
    Kd24Command command;
};

}  // namespace

Kd24Link& libraryKd24Link() {
    static LibraryKd24Link link;
    return link;
}

void Kd24Command::run() {
    if (!services_.state().isReady() || !askConfigFile_) return;
    const std::optional<std::string> path = askConfigFile_(services_.settings().CFG_Name);
    if (!path) return;
    // Only a plain file: a folder gives no lines, and opening a pipe would wait for a writer.
    opscore::InputFile file(*path);
    if (file.missing() || file.not_a_file()) {
        prompts_.showMessage(*path + " not found", false);
        return;
    }
    // Kept and saved whatever the file gives, so the dialog opens at the file to mend.
    services_.settings().CFG_Name = *path;
    const std::optional<std::string> record = recordOf(*path, file);
    if (record && readyCheck(services_, prompts_)) {
        TerminalLoop::run(services_, PanelMode::OneShot, [this, &record](int index, char address) {
            const int code = link_.sendRecord(services_.settings().Port, address, *record);
            showOneCallResult(services_, index, address, kReportLabel, *record, code);
        });
    }
    services_.saveSettings();
}

std::optional<std::string> Kd24Command::recordOf(const std::string& path,
                                                 opscore::InputFile& file) {
    if (!file.is_open()) {
        prompts_.showMessage(path + " cannot be read. Nothing was sent.", true);
        return std::nullopt;
    }
    opscore::Kd24Record record = opscore::kd24_record(file.stream());
    if (!record.error) return std::move(record.bytes);
    // A record without fields is a file not yet written rather than a wish to clear the
    // terminal's fields, so it is not sent either.
    if (record.error->kind == opscore::Kd24Error::Kind::NoFields)
        prompts_.showMessage(record.error->message, false);
    else
        prompts_.showMessage(path + ": " + record.error->message + ". Nothing was sent.", true);
    return std::nullopt;
}

void install_kd24_commands(HostServices& services) {
    auto module = std::make_shared<Kd24Module>(services);
    services.setCommandHandler(ID_EXEC_KD24_CFG, [module] { module->command.run(); });
}

}  // namespace vantrel
