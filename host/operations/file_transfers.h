// Execute > Download, Download (From Dir), Upload, Upload (From Dir) and their command-line
// forms: files moved between the PC and each selected terminal, one file at a time, with the
// power-saving wrap around each terminal's files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "terminal_frame.h"
#include "transfer_file_dlgs.h"

namespace vantrel {

class HostServices;
class OperatorPrompts;
class TransferLink;
struct TransferCounts;

// The two file choices made when a command runs; the window shows the dialogs, tests answer.
class TransferFileChooser {
public:
    virtual ~TransferFileChooser() = default;
    // "Browse directory files": PC files to download.
    virtual std::optional<FileChoice> choosePcFiles(const FileChoiceInput& input) = 0;
    // "Browse Multi File": terminal files to upload.
    virtual std::optional<FileChoice> chooseTerminalFiles(const FileChoiceInput& input) = 0;
};

class FileTransfers {
public:
    FileTransfers(HostServices& services, TransferLink& link, OperatorPrompts& prompts,
                  TransferFileChooser& chooser);

    // The [Multi_download] list; in command-line mode the "L" command instead.
    void download();
    void downloadFromDir();
    // The [Multi_upload] list, repeated while Upload_Loop is on; in command-line mode with
    // source and destination the "U" command instead.
    void upload();
    void uploadFromDir();

private:
    struct DownloadJob {
        std::vector<std::string> files;
        bool ems = false;
        int pauseAfterStatusMs = 0;
        TerminalLoop::Filter filter;
    };

    void runDownloads(DownloadJob job);
    void downloadStep(int index, char address, const DownloadJob& job);
    void commandLineDownload();
    void commandLineUpload();
    void uploadPass(bool ems);
    void uploadListStep(int index, char address, bool ems);
    void uploadListFile(int index, char address, int entry, bool ems);
    void uploadFromDirStep(int index, char address, const std::vector<std::string>& files);
    void uploadChosenFile(int index, char address, const std::string& file);
    void waitForNextPass();

    // The frame around a command's visits: ready flag 0, then back to 1 with the panel redrawn.
    void begin(PanelMode mode, int pauseMs);
    void end();

    bool wakeTerminal(int index, char address);
    void sleepTerminal(int index, char address);
    bool ensureTerminalFolder(char address);

    int sendFile(char address, const std::string& entry, const std::string& terminalName);
    int fetchFile(char address, const std::string& entry, const std::string& terminalName,
                  std::string pcPath);
    enum class Direction { Upload, Download };
    int stopTransfer(char address, Direction direction);
    void showCounts(const TransferCounts& counts, std::int64_t total);
    void setFileStatus(int index, int code);
    void refuseName(int index, char address, const char* operation, const std::string& name);
    bool sharesPcFile(int index, char address, const std::vector<std::string>& names, int at);

    bool isCommandLineForm(char letter) const;
    bool stopped() const;
    void pause(int milliseconds);
    int note(int code);
    std::string pcPath(const std::string& name) const;

    HostServices& services_;
    TransferLink& link_;
    OperatorPrompts& prompts_;
    TransferFileChooser& chooser_;
    // The upload loop waits only after a pass whose last link call succeeded.
    int lastCode_ = 0;
    bool linkCalled_ = false;
    bool wrapUsed_ = false;
};

}  // namespace vantrel
