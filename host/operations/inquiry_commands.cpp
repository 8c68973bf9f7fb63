#include "inquiry_commands.h"

#include <array>
#include <cstring>
#include <memory>

#include "command_ids.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "terminal_frame.h"
#include "vantlink.h"

namespace vantrel {

namespace {

// The success label has two blanks, the failure label one: the log has always told them apart so.
constexpr char kDirectoryListed[] = "Get Directory  ";
constexpr char kDirectoryFailed[] = "Get Directory ";

class LibraryInquiryLink final : public InquiryLink {
public:
    int directory(int port, char address, std::string& listing) override {
        std::array<char, VANTLINK_DIR_LISTING> buffer{};
        const int code = HM_dir(port, static_cast<unsigned char>(address), buffer.data());
        listing.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
        return code;
    }
};

struct InquiryModule {
    explicit InquiryModule(HostServices& services)
        : prompts(boxOwner(services)), commands(services, libraryInquiryLink(), prompts) {}
    MessageBoxPrompts prompts;
    InquiryCommands commands;
};

}  // namespace

InquiryLink& libraryInquiryLink() {
    static LibraryInquiryLink link;
    return link;
}

void InquiryCommands::directory() {
    if (!services_.state().isReady() || !readyCheck(services_, prompts_)) return;
    const int port = services_.settings().Port;
    TerminalLoop::run(services_, PanelMode::OneShot, [this, port](int index, char address) {
        std::string listing;
        const int code = link_.directory(port, address, listing);
        std::string& kept = services_.state().directory[index];
        if (code == RC_SUCCESS) {
            kept = listing;
            showOneCallResult(services_, index, address, kDirectoryListed, listing, code);
        } else if (code != RC_NO_DATA) {
            // Part of a listing is no listing: the dialogs must not offer names from it.
            kept.clear();
            showOneCallResult(services_, index, address, kDirectoryFailed, "", code);
        }
    });
}

void install_inquiry_commands(HostServices& services) {
    auto module = std::make_shared<InquiryModule>(services);
    services.setCommandHandler(ID_INQ_DIRECTORY, [module] { module->commands.directory(); });
}

}  // namespace vantrel
