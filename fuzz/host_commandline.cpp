// The command line and batch scripts as an operator or a scheduler writes them. Input: one flag
// byte (bit 0: the modem is in use, so the first word is a telephone number), then the program's
// arguments separated by 0x01, then after a 0x00 byte the text of a batch script. Every word a
// command sees must be a word of its input line, and only the documented operation letters may
// start a command.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "command_line_number.h"
#include "fake_host.h"

namespace {

using namespace vantrel;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    for (;;) {
        const auto at = text.find(separator);
        pieces.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        text.remove_prefix(at + 1);
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The words of line at blanks, without any limit.
std::vector<std::string> blankWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : line) {
        if (!isBlank(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

// The splitter gives exactly the words of the line, or nothing when a limit is broken.
void checkSplit(std::string_view line, std::size_t maxWords) {
    const auto words = splitCommandWords(line, maxWords);
    const auto all = blankWords(line);
    const bool overLimit = line.size() > kCommandLineMax || all.size() > maxWords ||
                           std::any_of(all.begin(), all.end(), [](const std::string& w) {
                               return w.size() > kCommandWordMax;
                           });
    check(words.has_value() != overLimit);
    if (words) check(*words == all);
}

// A word a command sees: cut from the line at blanks, within the limits.
void checkToken(const std::string& token, std::string_view line) {
    check(!token.empty() && token.size() <= kCommandWordMax);
    check(std::none_of(token.begin(), token.end(), isBlank));
    check(line.find(token) != std::string_view::npos);
}

char letterOf(int command) {
    switch (command) {
        case ID_EXEC_POLL:
            return '1';
        case ID_EXEC_PURGE:
            return 'E';
        case ID_EXEC_DOWNLOAD:
            return 'L';
        case ID_SET_TIME_DATE:
            return 'M';
        case ID_EXEC_UPLOAD:
            return 'U';
        case ID_EXEC_RUN:
            return 'X';
        default:
            return 0;
    }
}

void checkSettings(const HostSettings& settings) {
    check(settings.Address.size() <= kAddressListMax);
    for (const char c : settings.Address) check((c >= 'A' && c <= 'Y') || (c >= '0' && c <= '6'));
    check(settings.Delete_File1.size() <= 19);
}

// What one started command saw.
struct Started {
    int command;
    std::vector<std::string> tokens;
};

class Host : public FakeHost {
public:
    Host() {
        for (const int id : {ID_EXEC_POLL, ID_EXEC_PURGE, ID_EXEC_DOWNLOAD, ID_SET_TIME_DATE,
                             ID_EXEC_UPLOAD, ID_EXEC_RUN})
            setCommandHandler(id, [this, id] { started.push_back({id, state().commandTokens}); });
    }
    void startOver(bool modem) {
        settings() = HostSettings();
        settings().Use_modem = modem;
        state().reset(settings().Terminal_type);
        started.clear();
        reports.clear();
        ran.clear();
        closes = 0;
    }
    std::vector<Started> started;
};

void examineArguments(Host& host, const std::vector<std::string>& arguments, bool modem) {
    std::string joined;
    for (const auto& argument : arguments) joined += (joined.empty() ? "" : " ") + argument;
    checkSplit(joined, kCommandTokensMax + (modem ? 1 : 0));

    std::vector<int> posted;
    const Dispatch dispatch =
        examineCommandLine(host, arguments, [&posted](int id) { posted.push_back(id); });
    check(posted.size() <= 1);
    check(dispatch.started == !posted.empty());
    check(!(dispatch.started && dispatch.refusal));
    check(commandLinePhoneNumber().size() <= kCommandLineMax);
    checkSettings(host.settings());
    const auto& tokens = host.state().commandTokens;
    check(tokens.size() <= kCommandTokensMax);
    for (const auto& token : tokens) checkToken(token, joined);
    if (posted.empty()) return;
    check(tokens.size() >= 2);
    if (posted[0] == ID_EXEC_BATCH_SCRIPT) {
        check(tokens[0].front() == 'Z' && commandLineScript() == tokens[1]);
    } else {
        check(letterOf(posted[0]) != 0 && tokens[1].front() == letterOf(posted[0]));
    }
}

void runScript(Host& host, const std::string& path, std::string_view text) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    examineCommandLine(host, {}, [](int) {});  // no script named: the one chosen below runs
    FakePrompts prompts;
    prompts.fileChoice = path;
    const bool autoExit = host.settings().AUTO_EXIT;
    runBatchScript(host, prompts);
    check(host.settings().AUTO_EXIT == autoExit);
    check(prompts.messages.empty());
    checkSettings(host.settings());
    for (const Started& started : host.started) {
        check(started.tokens.size() >= 2 && started.tokens.size() <= kCommandTokensMax);
        for (const auto& token : started.tokens) {
            checkToken(token, text);
            check(token.find('\n') == std::string::npos);
        }
        check(started.tokens[1].front() == letterOf(started.command));
        if (started.command == ID_EXEC_PURGE)
            check(host.settings().Delete_File1.size() <= 19 && started.tokens[2].size() <= 19);
    }
    // Lines are never cut: each refusal names at most one line's worth of it.
    for (const auto& report : host.reports) check(report.detail.size() <= 2 * kCommandLineMax);
}

// The host's working folder, memory-backed when the system has it: each script is written there.
Host& theHost() {
    static const bool inMemory =
        std::filesystem::is_directory("/dev/shm") && setenv("TMPDIR", "/dev/shm", 1) == 0;
    static Host host;
    (void)inMemory;
    return host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Host& host = theHost();
    static const std::string scriptPath = host.folder.file("script.txt");
    if (size == 0) return 0;
    const bool modem = (data[0] & 1) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto end = rest.find('\0');
    const std::string_view commandLine = rest.substr(0, end);
    const std::string_view script =
        end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);

    host.startOver(modem);
    examineArguments(host, split(commandLine, '\x01'), modem);

    host.startOver(false);
    for (const auto& line : split(script, '\n')) checkSplit(line, kCommandTokensMax);
    runScript(host, scriptPath, script);
    return 0;
}
