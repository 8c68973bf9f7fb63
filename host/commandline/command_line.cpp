#include "command_line.h"

#include <QCoreApplication>
#include <QObject>
#include <memory>

#include "bounded_line.h"
#include "command_ids.h"
#include "command_line_number.h"
#include "host_services.h"
#include "input_file.h"
#include "modal_boxes.h"
#include "operator_prompts.h"

namespace vantrel {

namespace {

// An operation letter and the command it starts.
struct Operation {
    char letter;
    int command;
    std::size_t minTokens;      // fewer: nothing starts and the mode stays as it was
    std::size_t modeMinTokens;  // fewer: the command starts as from the menu, mode unchanged
};

constexpr Operation kOperations[] = {
    {'1', ID_EXEC_POLL, 2, 2},     {'E', ID_EXEC_PURGE, 3, 3},  // E file: deleted on every terminal
    {'L', ID_EXEC_DOWNLOAD, 4, 4},                              // L source destination [count]
    {'M', ID_SET_TIME_DATE, 2, 2},  // M: the terminals' clocks from the PC's
    {'U', ID_EXEC_UPLOAD, 2, 4},    // U [source destination]; alone: the Upload list
    {'X', ID_EXEC_RUN, 3, 3},       // X program: started on every terminal
};

// The room Delete_File1 has for the name of the file "E" deletes.
constexpr std::size_t kDeleteFileMax = 19;

constexpr char kRefused[] = "Command refused";
// How far past its limit an over-long script line is skipped to find its end; a file whose
// line goes on further is no script.
constexpr std::size_t kScriptSkipMax = 64 * 1024;

// The script named on the command line.
std::string& namedScript() {
    static std::string script;
    return script;
}

const Operation* operationFor(std::string_view word) {
    for (const Operation& operation : kOperations)
        if (!word.empty() && word.front() == operation.letter) return &operation;
    return nullptr;
}

Dispatch noteRefused(HostServices& services, const std::string& why) {
    services.reporter().report(' ', kRefused, why, -1);
    return {false, why};
}

std::string joinWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        line += word;
    }
    return line;
}

std::string pathInWorkFolder(const HostServices& services, const std::string& name) {
    if (!name.empty() && name.front() == '/') return name;
    return services.workFolder() + "/" + name;
}

void stripLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
}

}  // namespace

std::optional<std::vector<std::string>> splitCommandWords(std::string_view line,
                                                          std::size_t maxWords) {
    if (line.size() > kCommandLineMax) return std::nullopt;
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ' || line[at] == '\t') {
            ++at;
            continue;
        }
        const std::size_t end = line.find_first_of(" \t", at);
        const std::size_t length = (end == std::string_view::npos ? line.size() : end) - at;
        if (length > kCommandWordMax || words.size() == maxWords) return std::nullopt;
        words.emplace_back(line.substr(at, length));
        at += length;
    }
    return words;
}

const std::string& commandLineScript() {
    return namedScript();
}

Dispatch dispatchCommand(HostServices& services, const std::vector<std::string>& tokens,
                         const CommandStarter& start) {
    if (tokens.size() < 2) return {};
    HostSettings& settings = services.settings();
    HostState& state = services.state();
    settings.Address = filterAddressList(tokens[0]);
    const Operation* operation = operationFor(tokens[1]);
    if (!operation) {
        state.commandLineMode = false;
        return {};
    }
    if (tokens.size() < operation->minTokens) return {};
    if (operation->command == ID_EXEC_PURGE) {
        // A name cut to fit would delete another file: refused whole, like a line too long.
        if (tokens[2].size() > kDeleteFileMax)
            return noteRefused(services, "file name longer than 19 characters: " + tokens[2]);
        settings.Delete_File1 = tokens[2];
    }
    state.commandTokens = tokens;
    if (tokens.size() >= operation->modeMinTokens) state.commandLineMode = true;
    start(operation->command);
    return {true, std::nullopt};
}

Dispatch examineCommandLine(HostServices& services, const std::vector<std::string>& arguments,
                            const CommandStarter& post) {
    namedScript().clear();
    services.state().commandTokens.clear();
    const bool phoneFirst = services.settings().Use_modem;
    const auto words =
        splitCommandWords(joinWords(arguments), kCommandTokensMax + (phoneFirst ? 1 : 0));
    if (!words) return noteRefused(services, "the command line is longer than its limits");
    std::vector<std::string> tokens = *words;
    if (phoneFirst && !tokens.empty()) {
        setCommandLinePhoneNumber(tokens.front());
        tokens.erase(tokens.begin());
    }
    if (tokens.size() < 2) return {};
    if (tokens[0].front() == 'Z') {
        services.state().commandTokens = tokens;
        namedScript() = tokens[1];
        post(ID_EXEC_BATCH_SCRIPT);
        return {true, std::nullopt};
    }
    return dispatchCommand(services, tokens, post);
}

void runCommandLineCommand(HostServices& services, int id) {
    services.runCommand(id);
    // Only the command named here runs unattended; a later menu command asks.
    services.state().commandLineMode = false;
}

void examineProgramArguments(HostServices& services, OperatorPrompts& prompts) {
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i)
        arguments.push_back(all[i].toLocal8Bit().toStdString());
    const Dispatch dispatch = examineCommandLine(services, arguments, [&services](int id) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&services, id] { runCommandLineCommand(services, id); },
            Qt::QueuedConnection);
    });
    // Unattended, nobody would see the note and the run would wait for ever.
    if (dispatch.refusal && services.settings().AUTO_EXIT && !operatorCanAnswer()) {
        prompts.showMessage(std::string(kRefused) + ": " + *dispatch.refusal, true);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&services] { services.closeWithoutAsking(); },
            Qt::QueuedConnection);
    }
}

void runBatchScript(HostServices& services, OperatorPrompts& prompts) {
    // A script line would change the address list under a running command.
    if (!services.state().isReady()) return;
    std::string name = namedScript();
    if (name.empty()) {
        const auto chosen = prompts.chooseFile("Run Batch Script");
        if (!chosen) return;
        name = *chosen;
        // Each line's first word becomes the address list, and the last one stays after the
        // script: the operator decides with that known.
        if (!prompts.askYesNo("Every line of the script sets the address list; the current "
                              "list \"" +
                              services.settings().Address +
                              "\" is replaced and the script's last one stays.\n"
                              "Run the script?"))
            return;
    }
    HostSettings& settings = services.settings();
    const bool autoExit = settings.AUTO_EXIT;
    settings.AUTO_EXIT = false;  // no command of the script may close the program
    // A folder or a FIFO is no script, and a FIFO's open would wait for a writer for ever.
    opscore::InputFile scriptFile(pathInWorkFolder(services, name));
    std::istream& script = scriptFile.stream();
    if (!scriptFile.is_open()) {
        prompts.showMessageWithCaption(name, "Can't found this file");
        settings.AUTO_EXIT = autoExit;
        // Unattended and with nobody to read the box, the run would wait for ever.
        if (autoExit && !operatorCanAnswer()) services.closeWithoutAsking();
        return;
    }
    const CommandStarter runNow = [&services](int id) { services.runCommand(id); };
    // The mode as the script's lines leave it; it is in force only while they run.
    bool modeLeft = services.state().commandLineMode;
    std::string line;
    // Closing the window (or SIGTERM) stops the running line; the rest of the script is left.
    while (!services.state().closing) {
        // A line is read no further than its limit and its CR, so no line can fill memory.
        const opscore::LineRead read =
            opscore::read_bounded_line(script, line, kCommandLineMax + 1);
        if (read == opscore::LineRead::End) break;
        if (read == opscore::LineRead::Error) {
            noteRefused(services, "the rest of the script: it could not be read");
            break;
        }
        if (read == opscore::LineRead::TooLong) {
            noteRefused(services, line.substr(0, kCommandLineMax));
            if (opscore::skip_rest_of_line(script, kScriptSkipMax)) continue;
            noteRefused(services, "the rest of the script: a line has no end");
            break;
        }
        stripLineEnd(line);
        const auto words = splitCommandWords(line, kCommandTokensMax);
        if (!words) {
            noteRefused(services, line.substr(0, kCommandLineMax));
            continue;
        }
        services.state().commandLineMode = modeLeft;
        dispatchCommand(services, *words, runNow);
        modeLeft = services.state().commandLineMode;
        services.state().commandLineMode = false;
    }
    settings.AUTO_EXIT = autoExit;
    if (modeLeft && settings.AUTO_EXIT) services.closeWithoutAsking();
}

void install_commandline_commands(HostServices& services) {
    auto prompts = std::make_shared<MessageBoxPrompts>(boxOwner(services));
    services.setCommandHandler(ID_EXEC_BATCH_SCRIPT,
                               [&services, prompts] { runBatchScript(services, *prompts); });
    services.setStartUpHandler(
        [&services, prompts] { examineProgramArguments(services, *prompts); });
}

}  // namespace vantrel
