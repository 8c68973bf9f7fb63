#include "transfer_commands.h"

#include <memory>

#include "command_ids.h"
#include "file_transfers.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "transfer_link.h"

namespace vantrel {

namespace {

class DialogFileChooser final : public TransferFileChooser {
public:
    explicit DialogFileChooser(QWidget* owner) : owner_(owner) {}
    std::optional<FileChoice> choosePcFiles(const FileChoiceInput& input) override {
        return askDirectoryFiles(input, owner_);
    }
    std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) override {
        return askTerminalFiles(input, owner_);
    }

private:
    QWidget* owner_;
};

struct TransferModule {
    explicit TransferModule(HostServices& services)
        : prompts(boxOwner(services)),
          chooser(boxOwner(services)),
          transfers(services, libraryTransferLink(), prompts, chooser) {}
    MessageBoxPrompts prompts;
    DialogFileChooser chooser;
    FileTransfers transfers;
};

}  // namespace

void install_transfer_commands(HostServices& services) {
    auto module = std::make_shared<TransferModule>(services);
    services.setCommandHandler(ID_EXEC_DOWNLOAD, [module] { module->transfers.download(); });
    services.setCommandHandler(ID_EXEC_DOWNLOAD_DIR,
                               [module] { module->transfers.downloadFromDir(); });
    services.setCommandHandler(ID_EXEC_UPLOAD, [module] { module->transfers.upload(); });
    services.setCommandHandler(ID_EXEC_UPLOAD_DIR, [module] { module->transfers.uploadFromDir(); });
}

}  // namespace vantrel
