// Execute > Inquire Terminal's: each asks every selected terminal for one piece of information
// and reports it; the directories also keep each terminal's listing for the file-choice dialogs,
// and Terminal ID the model its picture shows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "terminal_frame.h"

namespace vantrel {

class HostServices;
class OperatorPrompts;

// Kilobytes; the EMS figures are 0 on a terminal without EMS.
struct RamSizes {
    std::int32_t total = 0;
    std::int32_t exec = 0;
    std::int32_t free = 0;
    std::int32_t emsTotal = 0;
    std::int32_t emsFree = 0;
};

struct FlashSizes {
    std::int32_t total = 0;
    std::int32_t free = 0;
};

// The link calls of the inquiries, so their tests can script the line. Each returns the
// library's result code.
class InquiryLink {
public:
    virtual ~InquiryLink() = default;
    // The RAM disk's file names joined by commas.
    virtual int directory(int port, char address, std::string& listing) = 0;

    // The others answer "Illegal command" where a link does not provide them, so a scripted
    // link need only provide the calls its test makes.
    virtual int directoryRom(int port, char address, std::string& listing);
    virtual int ramSize(int port, char address, RamSizes& sizes);
    virtual int flashSize(int port, char address, FlashSizes& sizes);
    virtual int runningProgram(int port, char address, std::string& program);
    // 0 on the RAM disk, 54 in flash ROM, both with the file's length in bytes.
    virtual int fileExist(int port, char address, const std::string& file, std::int32_t& length);
    virtual int firmwareVersion(int port, char address, std::string& version);
    virtual int terminalId(int port, char address, std::string& id);
    // 0 when the terminal is not in upload mode, 80 when it is.
    virtual int uploadMode(int port, char address);
};

InquiryLink& libraryInquiryLink();

class InquiryCommands {
public:
    // One line of text under a caption; nothing when the operator cancels.
    using AskInputLine = std::function<std::optional<std::string>(const std::string& caption)>;

    // Without an input line, File Exist ends as if cancelled.
    InquiryCommands(HostServices& services, InquiryLink& link, OperatorPrompts& prompts,
                    AskInputLine askInputLine = {})
        : services_(services),
          link_(link),
          prompts_(prompts),
          askInputLine_(std::move(askInputLine)) {}

    void ramSize();
    void romSize();
    void runningProgram();
    // The listing of each terminal, kept by position (emptied when it failed).
    void directory();
    void directoryRom();
    // Asks for the file name first.
    void fileExist();
    void firmwareVersion();
    // Also sets the model each terminal's picture shows.
    void terminalId();
    void uploadMode();

private:
    // Ready check, then the step for each selected terminal.
    void inquire(const TerminalLoop::Step& step);
    void listDirectory(bool rom);

    HostServices& services_;
    InquiryLink& link_;
    OperatorPrompts& prompts_;
    AskInputLine askInputLine_;
};

void install_inquiry_commands(HostServices& services);

}  // namespace vantrel
