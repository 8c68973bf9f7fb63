#include "journal_priority.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string>
#include <utility>

namespace vantrel {

namespace {

constexpr std::string_view kError = "<3>";
constexpr std::string_view kWarning = "<4>";
constexpr std::string_view kInfo = "<6>";

constexpr std::array<std::pair<MessageKind, std::string_view>, 11> kPriorities = {{
    {MessageKind::Note, kInfo},
    {MessageKind::PortNotOpened, kError},
    {MessageKind::TransferFailed, kError},
    {MessageKind::FileNotWritten, kError},
    {MessageKind::StopBox, kError},
    {MessageKind::TimeOut, kWarning},
    {MessageKind::CheckError, kWarning},
    {MessageKind::LineLost, kWarning},
    {MessageKind::TokenWait, kWarning},
    {MessageKind::CommandFailed, kWarning},
    {MessageKind::WarningBox, kWarning},
}};

// Results that are no failure, and the failures that have a kind of their own; every other
// positive code is a command the terminal did not carry out.
constexpr std::array<std::pair<int, MessageKind>, 11> kCodes = {{
    {0, MessageKind::Note},
    {7, MessageKind::Note},          // no data
    {8, MessageKind::Note},          // the operator broke off
    {3, MessageKind::CheckError},    // NAK
    {5, MessageKind::CheckError},    // unknown response
    {6, MessageKind::CheckError},    // check error
    {128, MessageKind::CheckError},  // the concentrator's NAKs
    {130, MessageKind::CheckError},  // the concentrator's unknown answer
    {4, MessageKind::TimeOut},
    {129, MessageKind::TimeOut},        // the concentrator's
    {52, MessageKind::FileNotWritten},  // a local file that cannot be written
}};

// Operations whose lines say more than their code, by how the operation starts (and ends).
struct OperationRule {
    std::string_view start;
    std::string_view end;
    bool onlyWhenFailed;
    MessageKind kind;
};
constexpr std::array<OperationRule, 9> kOperations = {{
    {"Upload ", "", true, MessageKind::TransferFailed},
    {"Download ", "", true, MessageKind::TransferFailed},
    {"Poll not stored", "", false, MessageKind::FileNotWritten},
    {"Vantcom.ini", "", false, MessageKind::FileNotWritten},
    {"token.txt", "", false, MessageKind::TokenWait},
    {"COM", " line lost:", false, MessageKind::LineLost},
    {"Command refused", "", false, MessageKind::CommandFailed},
    {"Error", "", false, MessageKind::CommandFailed},  // the modem refused its set-up
    {"Fail ", "", false, MessageKind::CommandFailed},  // the modem did not connect
}};

MessageKind codeKind(int code) {
    for (const auto& [rowCode, kind] : kCodes)
        if (rowCode == code) return kind;
    return code > 0 ? MessageKind::CommandFailed : MessageKind::Note;
}

// systemd gives "DEVICE:INODE" of the stream it connected; a standard error redirected since
// (a script run by the service, say) is no journal.
bool standardErrorIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat status {};
    if (!stream || fstat(STDERR_FILENO, &status) != 0) return false;
    const std::string expected =
        std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
    return expected == stream;
}

}  // namespace

MessageKind reportKind(std::string_view operation, int code) {
    const bool failed = code > 0 && codeKind(code) != MessageKind::Note;
    for (const OperationRule& rule : kOperations) {
        if (operation.starts_with(rule.start) && operation.ends_with(rule.end) &&
            (failed || !rule.onlyWhenFailed))
            return rule.kind;
    }
    return codeKind(code);
}

MessageKind boxKind(BoxSeverity severity, std::string_view text) {
    // "COM1 open error", "Poll Data file open error", "Token.TXT can't be open(try 1000 time)"
    if (text.ends_with(" open error") || text.find("can't be open") != std::string_view::npos)
        return text.starts_with("COM") ? MessageKind::PortNotOpened : MessageKind::FileNotWritten;
    switch (severity) {
        case BoxSeverity::Stop:
            return MessageKind::StopBox;
        case BoxSeverity::Warning:
            return MessageKind::WarningBox;
        case BoxSeverity::Plain:
            break;
    }
    return MessageKind::Note;
}

std::string_view journalPrefix(MessageKind kind) {
    if (!standardErrorIsJournal()) return {};
    for (const auto& [rowKind, prefix] : kPriorities)
        if (rowKind == kind) return prefix;
    return kInfo;
}

}  // namespace vantrel
