#pragma once

#include <string_view>

namespace vantrel {

// What a line on standard error tells. Under a service its journal files each line by the
// priority its kind has (kPriorities in the .cpp), so "journalctl -p warning" shows what needs
// a person.
enum class MessageKind {
    Note,  // progress, results that succeeded, anything not named below
    PortNotOpened,
    TransferFailed,
    FileNotWritten,  // the data file, the error log, Vantcom.ini, a record not stored
    StopBox,         // a box that ends the command
    TimeOut,
    CheckError,  // NAK, a failed check, an answer that makes no sense
    LineLost,
    TokenWait,
    CommandFailed,  // a terminal, the modem or the script refused or failed a command
    WarningBox,
};

// The kind of a line of the result reporter.
MessageKind reportKind(std::string_view operation, int code);

enum class BoxSeverity { Plain, Warning, Stop };
// The kind of the text of a box that nobody answered.
MessageKind boxKind(BoxSeverity severity, std::string_view text);

// sd-daemon's "<3>", "<4>" or "<6>" when standard error is the journal's stream (JOURNAL_STREAM
// names it), else "": on a terminal, in a file or a pipe the lines stay as they were.
std::string_view journalPrefix(MessageKind kind);

}  // namespace vantrel
