#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "journal_priority.h"

namespace vantrel {

class ErrorLog;
struct HostSettings;
struct HostState;

// The code the host uses for plain notes that carry no result.
inline constexpr int kNoteCode = -1;
// A note that also goes to the error log (never boxed): something the operator must be able to
// find later, such as a record that could not be stored or a failed save of the settings.
inline constexpr int kLoggedNoteCode = -2;

// Where reports become visible; the main window implements it.
class ReportOutput {
public:
    virtual ~ReportOutput() = default;
    // Shows the message pane unless it is shown already.
    virtual void revealMessagePane() = 0;
    // Adds one line (ending in a line feed) to the message pane; kind says what it tells.
    virtual void appendMessage(std::string_view line, MessageKind kind) = 0;
    // A modal OK box with the text; returns when the operator closed it.
    virtual void showResultBox(std::string_view text) = 0;
};

// The one way every terminal result and dial-up note is shown and logged.
class Reporter {
public:
    virtual ~Reporter() = default;
    // code is a result code of the link library, or -1 for a plain note.
    virtual void report(char address, std::string_view operation, std::string_view detail,
                        int code) = 0;
};

class ResultReporter final : public Reporter {
public:
    using Clock = std::function<std::tm()>;
    using PowerSavingReturn = std::function<int()>;

    ResultReporter(const HostSettings& settings, const HostState& state, ErrorLog& log,
                   ReportOutput& output, PowerSavingReturn powerSavingReturn,
                   Clock clock = localNow);

    void report(char address, std::string_view operation, std::string_view detail,
                int code) override;

    // The result text with the power-saving suffix when it applies.
    std::string resultTextFor(int code) const;

    static std::tm localNow();

private:
    const HostSettings& settings_;
    const HostState& state_;
    ErrorLog& log_;
    ReportOutput& output_;
    PowerSavingReturn powerSavingReturn_;
    Clock clock_;
};

// Terminal text as one line that a terminal showing the log or the journal cannot obey: the
// poll data file's one-line form (CR, LF and NUL as \r, \n and \0, a backslash doubled where
// it would read as an escape), with every other control byte, ESC and BEL among them, as \xHH.
std::string journalLineText(std::string_view text);

// "%c %.2d:%.2d:%.2d %s %s %s" followed by CR LF.
std::string formatLogLine(char address, const std::tm& time, std::string_view operation,
                          std::string_view detail, std::string_view result);

}  // namespace vantrel
