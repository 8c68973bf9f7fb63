#include "inquiry_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "command_ids.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "operator_prompts.h"
#include "polling_time_dlgs.h"
#include "request_text.h"
#include "terminal_kind.h"
#include "vantlink.h"

namespace vantrel {

namespace {

// Where success and failure labels differ by a trailing blank, the log has always told them
// apart so; the texts stay letter for letter.
constexpr char kRamSize[] = "RAM size ";
constexpr char kFlashSize[] = "Flash ROM Size ";
constexpr char kRunningProgram[] = "Check running AP";
constexpr char kRunningProgramFailed[] = " ";
constexpr char kDirectoryListed[] = "Get Directory  ";
constexpr char kDirectoryFailed[] = "Get Directory ";
constexpr char kRomDirectoryListed[] = "Get ROM Directory  ";
constexpr char kRomDirectoryFailed[] = "Get ROM Directory ";
constexpr char kFileFailed[] = "File ";
constexpr char kVersion[] = "Version  ";
constexpr char kVersionFailed[] = "Version ";
constexpr char kTerminalId[] = "Terminal ID ";
constexpr char kUploadMode[] = "Upload mode ";
constexpr char kFileNameCaption[] = "Input file name to be check";

// Answer buffers: the library does not know their size, so each has at least the room its
// header asks for, and more where the host has always given more.
constexpr std::size_t kRunningProgramRoom = std::max<std::size_t>(200, VANTLINK_SHORT_TEXT);
constexpr std::size_t kShortTextRoom = std::max<std::size_t>(100, VANTLINK_SHORT_TEXT);
constexpr std::size_t kListingRoom = std::max<std::size_t>(2048, VANTLINK_DIR_LISTING);

template <typename... Values>
std::string format(const char* pattern, Values... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

using TextCall = int32_t (*)(int32_t port, int32_t address, char* answer);

int textInquiry(TextCall call, std::size_t room, int port, char address, std::string& answer) {
    std::vector<char> buffer(room, '\0');
    const int code = call(port, static_cast<unsigned char>(address), buffer.data());
    answer.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return code;
}

class LibraryInquiryLink final : public InquiryLink {
public:
    int directory(int port, char address, std::string& listing) override {
        return textInquiry(HM_dir, kListingRoom, port, address, listing);
    }
    int directoryRom(int port, char address, std::string& listing) override {
        return textInquiry(HM_dir_ROM, kListingRoom, port, address, listing);
    }
    int ramSize(int port, char address, RamSizes& s) override {
        return HM_ram_size(port, static_cast<unsigned char>(address), &s.total, &s.exec, &s.free,
                           &s.emsTotal, &s.emsFree);
    }
    int flashSize(int port, char address, FlashSizes& s) override {
        return HM_flash_size(port, static_cast<unsigned char>(address), &s.total, &s.free);
    }
    int runningProgram(int port, char address, std::string& program) override {
        return textInquiry(HM_exec_file, kRunningProgramRoom, port, address, program);
    }
    int fileExist(int port, char address, const std::string& file, std::int32_t& length) override {
        return HM_file_exist(port, static_cast<unsigned char>(address), file.c_str(), &length);
    }
    int firmwareVersion(int port, char address, std::string& version) override {
        return textInquiry(HM_firmware_version, kShortTextRoom, port, address, version);
    }
    int terminalId(int port, char address, std::string& id) override {
        return textInquiry(HM_terminal_id, kShortTextRoom, port, address, id);
    }
    int uploadMode(int port, char address) override {
        return HM_upload_mode(port, static_cast<unsigned char>(address));
    }
};

std::string ramText(const RamSizes& s) {
    // EMS free means nothing without an EMS area.
    if (s.emsTotal == 0) return format("Total=%d  EXEC=%d  Free=%d", s.total, s.exec, s.free);
    return format("Total=%d  EXEC=%d  Free=%d  Total EMS=%d  Free EMS=%d", s.total, s.exec, s.free,
                  s.emsTotal, s.emsFree);
}

struct InquiryModule {
    explicit InquiryModule(HostServices& services)
        : prompts(boxOwner(services)),
          commands(services, libraryInquiryLink(), prompts,
                   [owner = boxOwner(services)](const std::string& caption) {
                       return askInputLine(caption, owner);
                   }) {}
    MessageBoxPrompts prompts;
    InquiryCommands commands;
};

}  // namespace

int InquiryLink::directoryRom(int, char, std::string&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::ramSize(int, char, RamSizes&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::flashSize(int, char, FlashSizes&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::runningProgram(int, char, std::string&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::fileExist(int, char, const std::string&, std::int32_t&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::firmwareVersion(int, char, std::string&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::terminalId(int, char, std::string&) {
    return RC_ILLEGAL_COMMAND;
}
int InquiryLink::uploadMode(int, char) {
    return RC_ILLEGAL_COMMAND;
}

InquiryLink& libraryInquiryLink() {
    static LibraryInquiryLink link;
    return link;
}

void InquiryCommands::inquire(const TerminalLoop::Step& step) {
    if (!services_.state().isReady() || !readyCheck(services_, prompts_)) return;
    TerminalLoop::run(services_, PanelMode::OneShot, step);
}

void InquiryCommands::ramSize() {
    inquire([this](int index, char address) {
        RamSizes sizes;
        const int code = link_.ramSize(services_.settings().Port, address, sizes);
        const std::string detail = code == RC_SUCCESS ? ramText(sizes) : std::string();
        showOneCallResult(services_, index, address, kRamSize, detail, code);
    });
}

void InquiryCommands::romSize() {
    inquire([this](int index, char address) {
        FlashSizes sizes;
        const int code = link_.flashSize(services_.settings().Port, address, sizes);
        const std::string detail =
            code == RC_SUCCESS ? format(" Total=%dKb  Free=%dKb", sizes.total, sizes.free) : "";
        showOneCallResult(services_, index, address, kFlashSize, detail, code);
    });
}

void InquiryCommands::runningProgram() {
    inquire([this](int index, char address) {
        std::string program;
        const int code = link_.runningProgram(services_.settings().Port, address, program);
        if (code == RC_SUCCESS)
            showOneCallResult(services_, index, address, kRunningProgram, program, code);
        else
            showOneCallResult(services_, index, address, kRunningProgramFailed, "", code);
    });
}

void InquiryCommands::directory() {
    listDirectory(false);
}

void InquiryCommands::directoryRom() {
    listDirectory(true);
}

void InquiryCommands::listDirectory(bool rom) {
    inquire([this, rom](int index, char address) {
        std::string listing;
        const int port = services_.settings().Port;
        const int code = rom ? link_.directoryRom(port, address, listing)
                             : link_.directory(port, address, listing);
        std::string& kept = services_.state().directory[index];
        if (code == RC_SUCCESS) {
            kept = listing;
            showOneCallResult(services_, index, address,
                              rom ? kRomDirectoryListed : kDirectoryListed, listing, code);
        } else if (code != RC_NO_DATA) {
            // Part of a listing is no listing: the dialogs must not offer names from it.
            kept.clear();
            showOneCallResult(services_, index, address,
                              rom ? kRomDirectoryFailed : kDirectoryFailed, "", code);
        }
    });
}

void InquiryCommands::fileExist() {
    if (!services_.state().isReady() || !askInputLine_) return;
    const std::optional<std::string> file = askInputLine_(kFileNameCaption);
    if (!file) return;
    // A cut name would ask about another file.
    if (!opscore::fits_request(*file)) {
        prompts_.showMessage(tooLongForRequest("file name"), false);
        return;
    }
    inquire([this, &file](int index, char address) {
        std::int32_t length = 0;
        const int code = link_.fileExist(services_.settings().Port, address, *file, length);
        if (code == RC_SUCCESS || code == RC_FROM_FLASH_ROM) {
            // A file in flash ROM exists as well; the result text says where it lies.
            services_.state().status[index] = TerminalStatus::Done;
            services_.reporter().report(address, *file,
                                        format("File exist and length=%ld", long{length}), code);
        } else {
            showOneCallResult(services_, index, address, kFileFailed, *file, code);
        }
    });
}

void InquiryCommands::firmwareVersion() {
    inquire([this](int index, char address) {
        std::string version;
        const int code = link_.firmwareVersion(services_.settings().Port, address, version);
        if (code == RC_SUCCESS)
            showOneCallResult(services_, index, address, kVersion, version, code);
        else
            showOneCallResult(services_, index, address, kVersionFailed, "", code);
    });
}

void InquiryCommands::terminalId() {
    inquire([this, &state = services_.state()](int index, char address) {
        std::string id;
        const int code = link_.terminalId(services_.settings().Port, address, id);
        if (code == RC_SUCCESS)
            state.kind[index] = static_cast<int>(opscore::kind_from_terminal_id(id));
        else if (code != RC_NO_DATA)
            state.directory[index].clear();
        showOneCallResult(services_, index, address, kTerminalId,
                          code == RC_SUCCESS ? id : std::string(), code);
    });
}

void InquiryCommands::uploadMode() {
    inquire([this](int index, char address) {
        const int code = link_.uploadMode(services_.settings().Port, address);
        showOneCallResult(services_, index, address, kUploadMode, "", code);
    });
}

void install_inquiry_commands(HostServices& services) {
    auto module = std::make_shared<InquiryModule>(services);
    const std::pair<int, void (InquiryCommands::*)()> commands[] = {
        {ID_INQ_RAM_SIZE, &InquiryCommands::ramSize},
        {ID_INQ_ROM_SIZE, &InquiryCommands::romSize},
        {ID_INQ_RUNNING_PROGRAM, &InquiryCommands::runningProgram},
        {ID_INQ_DIRECTORY, &InquiryCommands::directory},
        {ID_INQ_DIRECTORY_ROM, &InquiryCommands::directoryRom},
        {ID_INQ_FILE_EXIST, &InquiryCommands::fileExist},
        {ID_INQ_FIRMWARE, &InquiryCommands::firmwareVersion},
        {ID_INQ_TERMINAL_ID, &InquiryCommands::terminalId},
        {ID_INQ_UPLOAD_MODE, &InquiryCommands::uploadMode},
    };
    for (const auto& [id, command] : commands)
        services.setCommandHandler(id,
                                   [module, command = command] { (module->commands.*command)(); });
}

}  // namespace vantrel
