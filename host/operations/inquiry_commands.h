// Execute > Inquire Terminal's: each asks every selected terminal for one piece of information
// and reports it; Directory also keeps each terminal's listing for the file-choice dialogs.
#pragma once

#include <string>

namespace vantrel {

class HostServices;
class OperatorPrompts;

// The link calls of the inquiries, so their tests can script the line.
class InquiryLink {
public:
    virtual ~InquiryLink() = default;
    // The RAM disk's file names joined by commas.
    virtual int directory(int port, char address, std::string& listing) = 0;
};

InquiryLink& libraryInquiryLink();

class InquiryCommands {
public:
    InquiryCommands(HostServices& services, InquiryLink& link, OperatorPrompts& prompts)
        : services_(services), link_(link), prompts_(prompts) {}

    // Directory: the listing of each terminal, kept by position (emptied when it failed).
    void directory();

private:
    HostServices& services_;
    InquiryLink& link_;
    OperatorPrompts& prompts_;
};

void install_inquiry_commands(HostServices& services);

}  // namespace vantrel
