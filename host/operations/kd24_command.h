// Execute > KD24 CFG: the configuration record of a KD24 file sent to the selected terminals.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace opscore {
class InputFile;
}

namespace vantrel {

class HostServices;
class OperatorPrompts;

// The one link call of the command, so its tests can script the line.
class Kd24Link {
public:
    virtual ~Kd24Link() = default;
    // The record without its closing NUL; the library's result code.
    virtual int sendRecord(int port, char address, const std::string& record) = 0;
};

Kd24Link& libraryKd24Link();

class Kd24Command {
public:
    // "Remote configuration KD24" opened at the given path; nothing when cancelled.
    using AskConfigFile = std::function<std::optional<std::string>(const std::string& preset)>;

    Kd24Command(HostServices& services, Kd24Link& link, OperatorPrompts& prompts,
                AskConfigFile askConfigFile)
        : services_(services),
          link_(link),
          prompts_(prompts),
          askConfigFile_(std::move(askConfigFile)) {}

    // Asks for the file, builds its record and sends it to each selected terminal. A file
    // that makes no whole record is refused with a box and nothing is sent.
    void run();

private:
    // The record, or nothing after a box that tells why there is none.
    std::optional<std::string> recordOf(const std::string& path, opscore::InputFile& file);

    HostServices& services_;
    Kd24Link& link_;
    OperatorPrompts& prompts_;
    AskConfigFile askConfigFile_;
};

void install_kd24_commands(HostServices& services);

}  // namespace vantrel
