#include "result_reporter.h"

#include <cstdio>

#include "error_log.h"
#include "host_settings.h"
#include "host_state.h"
#include "record_text.h"
#include "result_text.h"

namespace vantrel {

namespace {

constexpr int kPowerSavingOffFailed = 9;
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
    const bool wrapApplies =
        settings_.Power_Saving && code != kPowerSavingOffFailed && code != kNoteCode;
    if (wrapApplies && powerSavingReturn_ && powerSavingReturn_() != 0) text += kPowerSavingSuffix;
    return text;
}

namespace {

// Details and operations often carry what a terminal sent (listings, identities, file names):
// a CR, LF or NUL in them must not split the log's one line per result or forge another.
std::string oneLine(std::string_view text) {
    return opscore::record_line_text(std::span<const unsigned char>(
        reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

}  // namespace

void ResultReporter::report(char address, std::string_view rawOperation, std::string_view rawDetail,
                            int code) {
    const std::string operation = oneLine(rawOperation);
    const std::string detail = oneLine(rawDetail);
    const std::string result = resultTextFor(code);
    std::string line = formatLogLine(address, clock_(), operation, detail, result);
    // A log that failed to open stays closed for the run while ErrorLog keeps its mode.
    if (settings_.ErrorLog != ErrorLogMode::No && log_.isOpen() && code != kNoteCode)
        log_.write(line);

    output_.revealMessagePane();
    line.resize(line.size() - 2);
    line += '\n';
    output_.appendMessage(line);

    const bool boxWanted =
        state_.commandLineMode && settings_.SHOW_ERROR_BOX && code != 0 && code != kNoteCode;
    if (boxWanted) {
        std::string boxText;
        boxText += address;
        boxText += ' ';
        boxText += operation;
        boxText += ' ';
        boxText += detail;
        boxText += ' ';
        boxText += result;
        output_.showResultBox(boxText);
    }
}

}  // namespace vantrel
