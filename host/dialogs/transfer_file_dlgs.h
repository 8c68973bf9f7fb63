// The dialogs of the multi-file transfers: the two file lists of Setup (Upload cfg., Download
// cfg.) and the three file choices made when a command runs.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "host_settings.h"

class QWidget;

namespace vantrel {

// "Upload - files": twelve terminal file names with their delete flags, the save mode, the loop.
struct UploadFilesValues {
    std::array<std::string, kTransferFiles> files;
    std::array<bool, kTransferFiles> deletes{};
    int saveMode = -1;  // 0 New, 1 Over-write, 2 Append; -1 none chosen
    bool loop = false;
    int period = 0;  // seconds
};
UploadFilesValues uploadFilesValuesFor(const HostSettings& settings);
void applyUploadFilesValues(const UploadFilesValues& values, HostSettings& settings);

// "Download - files": twelve PC file paths.
struct DownloadFilesValues {
    std::array<std::string, kTransferFiles> files;
};
DownloadFilesValues downloadFilesValuesFor(const HostSettings& settings);
void applyDownloadFilesValues(const DownloadFilesValues& values, HostSettings& settings);

// What the three file-choice dialogs start from: the address list in use and, for the terminal
// files, each address's directory listing (names separated by ","), by position.
struct FileChoiceInput {
    std::string addresses;
    std::vector<std::string> listings;  // listings[k] belongs to addresses[k]
    int terminalChoice = 1;             // 0 Single Terminal, 1 All Terminals
};

// The most files one choice may hold.
inline constexpr std::size_t kChosenFilesMax = 40;

struct FileChoice {
    std::vector<std::string> files;  // in the order of the chosen list, at most 40
    char currentAddress = 0;
    int terminalChoice = 1;
};

// Each returns nothing when the operator cancels.
std::optional<UploadFilesValues> askUploadFiles(const UploadFilesValues& initial, QWidget* owner);
std::optional<DownloadFilesValues> askDownloadFiles(const DownloadFilesValues& initial,
                                                    QWidget* owner);
// "Browse Multi File": terminal files of the current address.
std::optional<FileChoice> askTerminalFiles(const FileChoiceInput& input, QWidget* owner);
// "Browse directory files": PC files.
std::optional<FileChoice> askDirectoryFiles(const FileChoiceInput& input, QWidget* owner);
// "Browse Terminal File" with the caller's caption: one terminal file (EXE-only when exeOnly).
struct TerminalFileChoice {
    std::string file;  // at most 19 characters
    char currentAddress = 0;
    int terminalChoice = 1;
};
std::optional<TerminalFileChoice> askTerminalFile(const FileChoiceInput& input,
                                                  const std::string& caption, bool exeOnly,
                                                  QWidget* owner);

}  // namespace vantrel
