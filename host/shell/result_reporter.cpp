#include "result_reporter.h"

#include <cstdio>

#include "error_log.h"
#include "host_settings.h"
#include "host_state.h"
#include "result_text.h"

namespace vantrel {

namespace {

constexpr int kPowerSavingOffFailed = 9;
constexpr int kTimeOut = 4;
constexpr std::string_view kPowerSavingSuffix = " but fail to set power saving on";

std::string twoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", value);
    return text;
}

}  // namespace

std::string formatLogLine(char address, const std::tm& time, std::string_view operation,
                          std::string_view detail, std::string_view result) {
    std::string line;
    line.reserve(operation.size() + detail.size() + result.size() + 16);
    line += address;
    line += ' ';
    line += twoDigits(time.tm_hour) + ':' + twoDigits(time.tm_min) + ':' + twoDigits(time.tm_sec);
    line += ' ';
    line += operation;
    line += ' ';
    line += detail;
    line += ' ';
    line += result;
    line += "\r\n";
    return line;
}

ResultReporter::ResultReporter(const HostSettings& settings, const HostState& state, ErrorLog& log,
                               ReportOutput& output, PowerSavingReturn powerSavingReturn,
                               Clock clock)
    : settings_(settings),
      state_(state),
      log_(log),
      output_(output),
      powerSavingReturn_(std::move(powerSavingReturn)),
      clock_(std::move(clock)) {}

std::tm ResultReporter::localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string ResultReporter::resultTextFor(int code) const {
    std::string text(opscore::result_text(code));
    const bool wrapApplies = settings_.Power_Saving && code != kPowerSavingOffFailed &&
                             code != kNoteCode && code != kLoggedNoteCode;
    if (wrapApplies && powerSavingReturn_ && powerSavingReturn_() != 0) text += kPowerSavingSuffix;
    return text;
}

namespace {

// The letter of the data file's escape, or 0.
char lineBreakLetter(unsigned char byte) {
    return byte == '\r' ? 'r' : byte == '\n' ? 'n' : byte == '\0' ? '0' : 0;
}

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string journalLineText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (const char letter = lineBreakLetter(byte)) {
            line += '\\';
            line += letter;
        } else if (isControl(byte)) {
            line += "\\x";
            line += kHex[byte >> 4];
            line += kHex[byte & 0x0F];
        } else if (byte == '\\' && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            const bool startsEscape = next == '\\' || next == 'r' || next == 'n' || next == '0' ||
                                      next == 'x' || isControl(next);
            line += startsEscape ? "\\\\" : "\\";
        } else {
            line += static_cast<char>(byte);
        }
    }
    return line;
}

void ResultReporter::report(char address, std::string_view rawOperation, std::string_view rawDetail,
                            int code) {
    // Details and operations often carry what a terminal sent (records, listings, identities,
    // file names): they must neither split the log's one line per result nor reach a
    // terminal's screen as commands.
    const std::string operation = journalLineText(rawOperation);
    const std::string detail = journalLineText(rawDetail);
    const std::string result = resultTextFor(code);
    std::string line = formatLogLine(address, clock_(), operation, detail, result);
    // A log that failed to open stays closed for the run while ErrorLog keeps its mode.
    if (settings_.ErrorLog != ErrorLogMode::No && log_.isOpen() && code != kNoteCode)
        log_.write(line);

    // The log keeps its fixed line form; on screen a time-out also says who stayed silent
    // and for how long, since the bare "Time out" reads like a fault of the program.
    std::string hint;
    if (code == kTimeOut && address != ' ') {
        hint = " (terminal " + std::string(1, address) + " did not answer within " +
               std::to_string(settings_.Time_out) + " ms)";
    }
    output_.revealMessagePane();
    line.resize(line.size() - 2);
    line += hint + '\n';
    output_.appendMessage(line, reportKind(rawOperation, code));

    const bool boxWanted = state_.commandLineMode && settings_.SHOW_ERROR_BOX && code != 0 &&
                           code != kNoteCode && code != kLoggedNoteCode;
    if (boxWanted) {
        std::string boxText;
        boxText += address;
        boxText += ' ';
        boxText += operation;
        boxText += ' ';
        boxText += detail;
        boxText += ' ';
        boxText += result;
        output_.showResultBox(boxText + hint);
    }
}

}  // namespace vantrel
