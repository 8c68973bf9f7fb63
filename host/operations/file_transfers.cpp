#include "file_transfers.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "command_ids.h"
#include "host_services.h"
#include "operator_prompts.h"
#include "terminal_files.h"
#include "terminal_kind.h"
#include "transfer_link.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr char kDownload[] = "Download ";
constexpr char kUpload[] = "Upload ";
constexpr char kPurge[] = "Purge ";
constexpr char kPowerSavingOff[] = "Power-Saving off";
constexpr char kPowerSavingOn[] = "Power-Saving on";
constexpr char kWrapDetail[] = " ";
constexpr char kNoFiles[] = "No file to be setting";

constexpr int kStartPauseMs = 20;
constexpr int kDownloadFromDirPauseMs = 200;
constexpr int kUploadFromDirPauseMs = 2;
// A sleeping terminal is woken once and given time to settle before the wake-up that counts.
constexpr int kSettleSteps = 10;
constexpr int kSettleStepMs = 500;
// The VS models need time between files and after their last one.
constexpr int kVs19DownloadFileMs = 1500;
constexpr int kVsUploadFileMs = 1000;
constexpr int kVs19PurgeMs = 1000;
constexpr int kVs19TerminalEndMs = 2000;
// The upload loop counts its wait down in seconds but looks for Stop more often.
constexpr int kSecondMs = 1000;
constexpr int kWaitSliceMs = 100;
constexpr int kAnimationSteps = 5;

// The result a file stopped in mid-transfer is reported with: "User press ESC to break".
constexpr int kStoppedByOperator = 8;

constexpr std::size_t kCommandLineTokens = 4;  // addresses, operation, source, destination
constexpr std::size_t kCountToken = 4;

bool isVs19(TerminalType type) {
    return type == TerminalType::VS19;
}

std::vector<std::string> nonEmpty(const std::array<std::string, kTransferFiles>& entries) {
    std::vector<std::string> files;
    for (const std::string& entry : entries)
        if (!entry.empty()) files.push_back(entry);
    return files;
}

std::vector<std::string> atMostChosen(std::vector<std::string> files) {
    if (files.size() > kChosenFilesMax) files.resize(kChosenFilesMax);
    return files;
}

// The dialog's Single Terminal narrows the command to the address it showed.
TerminalLoop::Filter filterFor(const FileChoice& choice) {
    if (choice.terminalChoice != 0) return {};
    return [address = choice.currentAddress](int, char at) { return at == address; };
}

}  // namespace

FileTransfers::FileTransfers(HostServices& services, TransferLink& link, OperatorPrompts& prompts,
                             TransferFileChooser& chooser)
    : services_(services), link_(link), prompts_(prompts), chooser_(chooser) {}

// ---- Download ----

void FileTransfers::download() {
    if (!services_.state().isReady()) return;
    if (isCommandLineForm('L')) {
        commandLineDownload();
        return;
    }
    DownloadJob job;
    job.files = nonEmpty(services_.settings().DownloadFiles);
    if (job.files.empty()) {
        prompts_.showMessage(kNoFiles, false);
        closeIfCommandLineDone(services_);
        return;
    }
    runDownloads(std::move(job));
}

void FileTransfers::downloadFromDir() {
    if (!services_.state().isReady()) return;
    FileChoiceInput input;
    input.addresses = services_.settings().Address;
    const auto choice = chooser_.choosePcFiles(input);
    if (!choice || choice->files.empty()) return;
    DownloadJob job;
    job.files = atMostChosen(choice->files);
    job.pauseAfterStatusMs = kDownloadFromDirPauseMs;
    job.filter = filterFor(*choice);
    runDownloads(std::move(job));
}

void FileTransfers::runDownloads(DownloadJob job) {
    const HostState& state = services_.state();
    // An unattended run asks nothing.
    if (isVs19(services_.settings().Terminal_type) && !state.commandLineMode)
        job.ems = prompts_.askYesNo("Download to EMS?");
    if (!readyCheck(services_, prompts_)) {
        closeIfCommandLineLineDown(services_);
        return;
    }
    begin(PanelMode::Download, kStartPauseMs);
    TerminalLoop::visit(
        services_, [&](int index, char address) { downloadStep(index, address, job); }, job.filter);
    end();
    closeIfCommandLineDone(services_);
}

void FileTransfers::downloadStep(int index, char address, const DownloadJob& job) {
    HostState& state = services_.state();
    const bool vs19 = isVs19(services_.settings().Terminal_type);
    state.progressPhase = 0;
    state.status[index] = TerminalStatus::Transferring;
    if (job.pauseAfterStatusMs > 0) pause(job.pauseAfterStatusMs);
    if (!wakeTerminal(index, address)) return;
    for (const std::string& file : job.files) {
        if (stopped()) break;  // the file in transfer was finished; the rest wait
        const std::string name(opscore::base_name(file));
        if (name.empty()) {
            // A path that ends in a separator names a folder: nothing to send under no name.
            refuseName(index, address, kDownload, file);
            continue;
        }
        const int code = sendFile(address, file, job.ems ? opscore::ems_name(name) : name);
        setFileStatus(index, code);
        services_.reporter().report(address, kDownload, file, code);
        if (vs19) pause(kVs19DownloadFileMs);
        services_.redraw();
    }
    sleepTerminal(index, address);
    if (vs19) pause(kVs19TerminalEndMs);
}

// "L source destination [count]": one PC file under the terminal name given, tried up to count
// times until it arrives.
void FileTransfers::commandLineDownload() {
    const std::vector<std::string> tokens = services_.state().commandTokens;
    const std::string& source = tokens[2];
    const std::string& destination = tokens[3];
    // At least one attempt: a count of 0 or a word that is no number would end the command
    // without a word said about the file.
    long long attempts = 1;
    if (tokens.size() > kCountToken) attempts = std::max(1LL, leadingNumber(tokens[kCountToken]));
    if (!readyCheck(services_, prompts_)) {
        closeIfCommandLineLineDown(services_);
        return;
    }
    const bool vs19 = isVs19(services_.settings().Terminal_type);
    begin(PanelMode::Download, kStartPauseMs);
    TerminalLoop::visit(services_, [&](int index, char address) {
        HostState& state = services_.state();
        state.progressPhase = 0;
        state.status[index] = TerminalStatus::Transferring;
        if (!wakeTerminal(index, address)) return;
        for (long long left = attempts; left > 0 && !stopped(); --left) {
            const int code = sendFile(address, source, destination);
            setFileStatus(index, code);
            services_.reporter().report(address, kDownload, source, code);
            if (vs19) pause(kVs19DownloadFileMs);
            if (code == RC_SUCCESS) break;
        }
        sleepTerminal(index, address);
        if (vs19) pause(kVs19TerminalEndMs);
    });
    end();
    closeIfCommandLineDone(services_);
}

// ---- Upload ----

void FileTransfers::upload() {
    if (!services_.state().isReady()) return;
    if (isCommandLineForm('U')) {
        commandLineUpload();
        return;
    }
    const HostSettings& settings = services_.settings();
    if (nonEmpty(settings.UploadFiles).empty()) {
        prompts_.showMessage(kNoFiles, false);
        closeIfCommandLineDone(services_);
        return;
    }
    if (!readyCheck(services_, prompts_)) {
        closeIfCommandLineLineDown(services_);
        return;
    }
    const bool ems = isVs19(settings.Terminal_type) && !services_.state().commandLineMode &&
                     prompts_.askYesNo("Upload from EMS?");
    begin(PanelMode::OneShot, kStartPauseMs);
    for (;;) {
        uploadPass(ems);
        if (stopped() || !services_.settings().Upload_Loop) break;
        waitForNextPass();
        if (stopped()) break;
    }
    end();
    closeIfCommandLineDone(services_);
}

void FileTransfers::uploadPass(bool ems) {
    lastCode_ = RC_SUCCESS;
    linkCalled_ = false;
    TerminalLoop::visit(services_,
                        [&](int index, char address) { uploadListStep(index, address, ems); });
    services_.endTransferProgress();
}

void FileTransfers::uploadListStep(int index, char address, bool ems) {
    HostState& state = services_.state();
    const HostSettings& settings = services_.settings();
    if (!ensureTerminalFolder(address)) return;
    state.progressPhase = 0;
    state.status[index] = TerminalStatus::Done;
    if (settings.Power_Saving) {
        link_.setPowerSavingStatus(false);
        link_.powerSavingOff(settings.Port, address);  // only the second wake-up counts
        for (int step = 0; step < kSettleSteps && !stopped(); ++step) pause(kSettleStepMs);
    }
    if (!wakeTerminal(index, address)) return;
    const bool filesWanted =
        !settings.Upload_Loop || note(link_.uploadMode(settings.Port, address)) == RC_SUCCESS;
    for (int entry = 0; filesWanted && entry < kTransferFiles; ++entry) {
        if (stopped()) break;
        if (!settings.UploadFiles[entry].empty()) uploadListFile(index, address, entry, ems);
    }
    sleepTerminal(index, address);
    if (isVs19(settings.Terminal_type)) pause(kVs19TerminalEndMs);
}

void FileTransfers::uploadListFile(int index, char address, int entry, bool ems) {
    const HostSettings& settings = services_.settings();
    const std::string name = settings.UploadFiles[entry];
    if (sharesPcFile(index, address, {settings.UploadFiles.begin(), settings.UploadFiles.end()},
                     entry))
        return;
    // The PC copy drops the EMS prefix and flash-ROM suffix that only tell the terminal where.
    const auto path =
        opscore::uploaded_file_path(services_.workFolder(), address, opscore::local_name_of(name));
    if (!path) {
        refuseName(index, address, kUpload, name);
        return;
    }
    const std::string terminalName = ems ? opscore::ems_name(name) : name;
    const int code = fetchFile(address, name, terminalName, *path);
    services_.reporter().report(address, kUpload, name, code);
    if (opscore::is_vs_kind(settings.Terminal_type)) pause(kVsUploadFileMs);
    if (code == RC_SUCCESS) {
        if (settings.UploadDeletes[entry]) {
            // The file that arrived, EMS prefix included: the same name without it is another
            // file, which must not go.
            const int deleted = note(link_.deleteFile(settings.Port, address, terminalName));
            services_.reporter().report(address, kPurge, name, deleted);
        }
        // The file is safe on the PC whatever the delete gave.
        services_.state().status[index] = TerminalStatus::Done;
        if (isVs19(settings.Terminal_type)) pause(kVs19PurgeMs);
    } else {
        setFileStatus(index, code);
    }
    services_.redraw();
}

// Between passes: after a clean pass Upload_Period seconds counted down, ended at once by
// Stop; after a failed one none.
void FileTransfers::waitForNextPass() {
    HostState& state = services_.state();
    int seconds = lastCode_ == RC_SUCCESS ? services_.settings().Upload_Period : 0;
    // A pass that called nobody gave the line no chance to run the window: wait at least a
    // second, so the loop never spins and Stop stays reachable.
    if (!linkCalled_) seconds = std::max(seconds, 1);
    if (seconds <= 0) {
        // No wait, but still one turn for the window: calls that fail at once (a port that
        // went away) would otherwise repeat without Stop ever being seen.
        pause(0);
        return;
    }
    state.uploadWaiting = true;
    for (int k = 1; k <= seconds && !stopped(); ++k) {
        state.uploadSecondsLeft = seconds - k + 1;
        services_.redraw();
        for (int waited = 0; waited < kSecondMs && !stopped(); waited += kWaitSliceMs)
            pause(kWaitSliceMs);
    }
    state.uploadWaiting = false;
    state.uploadSecondsLeft = 0;
    services_.redraw();
}

void FileTransfers::uploadFromDir() {
    HostState& state = services_.state();
    if (!state.isReady()) return;
    // Fresh listings for the dialog; Directory runs its own ready check and says why it could
    // not, so a list or line it found missing ends this command too.
    services_.runCommand(ID_INQ_DIRECTORY);
    const std::string addresses = services_.settings().Address;
    if (addresses.empty() || !state.connected) return;
    FileChoiceInput input;
    input.addresses = addresses;
    const int count = terminalCount(services_.settings());
    input.listings.assign(state.directory.begin(), state.directory.begin() + count);
    const auto choice = chooser_.chooseTerminalFiles(input);
    if (!choice || choice->files.empty()) return;
    const std::vector<std::string> files = atMostChosen(choice->files);
    if (!readyCheck(services_, prompts_)) return;
    begin(PanelMode::OneShot, 0);
    TerminalLoop::visit(
        services_, [&](int index, char address) { uploadFromDirStep(index, address, files); },
        filterFor(*choice));
    end();
}

void FileTransfers::uploadFromDirStep(int index, char address,
                                      const std::vector<std::string>& files) {
    HostState& state = services_.state();
    pause(kUploadFromDirPauseMs);
    if (!ensureTerminalFolder(address)) return;
    state.progressPhase = 0;
    state.status[index] = TerminalStatus::Done;
    if (!wakeTerminal(index, address)) return;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (stopped()) break;
        if (!sharesPcFile(index, address, files, static_cast<int>(i)))
            uploadChosenFile(index, address, files[i]);
    }
    sleepTerminal(index, address);
    if (isVs19(services_.settings().Terminal_type)) pause(kVs19TerminalEndMs);
}

void FileTransfers::uploadChosenFile(int index, char address, const std::string& file) {
    // The names come from the terminal's own listing: nobody vouches for them.
    const auto path =
        opscore::uploaded_file_path(services_.workFolder(), address, opscore::local_name_of(file));
    if (!path) {
        refuseName(index, address, kUpload, file);
        return;
    }
    const int code = fetchFile(address, file, file, *path);
    services_.reporter().report(address, kUpload, file, code);
    if (opscore::is_vs_kind(services_.settings().Terminal_type)) pause(kVsUploadFileMs);
    setFileStatus(index, code);
    services_.redraw();
}

// "U source destination": the terminal file source into the PC file destination, which the
// command line names itself (no terminal folder).
void FileTransfers::commandLineUpload() {
    const std::vector<std::string> tokens = services_.state().commandTokens;
    const std::string& source = tokens[2];
    const std::string destination = pcPath(tokens[3]);
    if (!readyCheck(services_, prompts_)) {
        closeIfCommandLineLineDown(services_);
        return;
    }
    const HostSettings& settings = services_.settings();
    begin(PanelMode::OneShot, kStartPauseMs);
    TerminalLoop::visit(services_, [&](int index, char address) {
        HostState& state = services_.state();
        state.progressPhase = 0;
        state.status[index] = TerminalStatus::Done;
        if (!wakeTerminal(index, address)) return;
        const int code = fetchFile(address, source, source, destination);
        services_.reporter().report(address, kUpload, source, code);
        if (opscore::is_vs_kind(settings.Terminal_type)) pause(kVsUploadFileMs);
        setFileStatus(index, code);
        sleepTerminal(index, address);
        if (isVs19(settings.Terminal_type)) pause(kVs19TerminalEndMs);
    });
    end();
    closeIfCommandLineDone(services_);
}

// ---- The frame, the power-saving wrap, one file ----

void FileTransfers::begin(PanelMode mode, int pauseMs) {
    HostState& state = services_.state();
    wrapUsed_ = false;
    state.panelMode = mode;
    state.progressPhase = kPhaseFull;
    services_.redraw();
    // Ready flag first: a menu command chosen during the pause must find this one running.
    services_.setReady(false);
    if (pauseMs > 0) pause(pauseMs);
}

void FileTransfers::end() {
    HostState& state = services_.state();
    services_.endTransferProgress();
    // The wrap switched the library's own wake-up off; later commands need it as set.
    if (wrapUsed_) link_.setPowerSavingStatus(services_.settings().Power_Saving);
    state.uploadWaiting = false;
    state.progressPhase = kPhaseFull;
    services_.redraw();
    services_.setReady(true);
}

bool FileTransfers::wakeTerminal(int index, char address) {
    const HostSettings& settings = services_.settings();
    if (!settings.Power_Saving) return true;
    wrapUsed_ = true;
    link_.setPowerSavingStatus(false);
    const int code = note(link_.powerSavingOff(settings.Port, address));
    services_.state().status[index] =
        code == RC_SUCCESS ? TerminalStatus::Done : TerminalStatus::Idle;
    services_.reporter().report(address, kPowerSavingOff, kWrapDetail, code);
    services_.redraw();
    return code == RC_SUCCESS;
}

void FileTransfers::sleepTerminal(int index, char address) {
    const HostSettings& settings = services_.settings();
    if (!settings.Power_Saving) return;
    link_.setPowerSavingStatus(false);
    const int code = note(link_.powerSavingOn(settings.Port, address));
    services_.state().status[index] =
        code == RC_SUCCESS ? TerminalStatus::Done : TerminalStatus::Idle;
    services_.reporter().report(address, kPowerSavingOn, kWrapDetail, code);
    services_.redraw();
}

bool FileTransfers::ensureTerminalFolder(char address) {
    const auto folder = opscore::terminal_folder(services_.workFolder(), address);
    std::error_code error;
    if (folder && (std::filesystem::is_directory(*folder, error) ||
                   std::filesystem::create_directory(*folder, error)))
        return true;
    prompts_.showMessage(
        "Drectory '" + folder.value_or(std::string(1, address)) + "' can't be created", false);
    services_.setReady(true);  // the command ends, in loop mode too
    return false;
}

int FileTransfers::sendFile(char address, const std::string& entry,
                            const std::string& terminalName) {
    HostState& state = services_.state();
    state.terminalFileName = entry;
    state.pcFileName.clear();
    state.bytes = state.packets = state.totalBytes = 0;
    std::int32_t size = 0;
    int code = note(
        link_.download1(services_.settings().Port, address, pcPath(entry), terminalName, size));
    state.progressPhase = 0;
    if (code == RC_SUCCESS) {
        state.totalBytes = size;
        TransferCounts counts;
        do {
            code = stopped() ? stopTransfer(address, Direction::Download)
                             : note(link_.download2(counts));
            showCounts(counts, size);
        } while (code == RC_MORE);
    }
    state.progressPhase = kPhaseFull;
    return code;
}

int FileTransfers::fetchFile(char address, const std::string& entry,
                             const std::string& terminalName, std::string path) {
    HostState& state = services_.state();
    state.terminalFileName = entry;
    state.pcFileName = path;
    state.bytes = state.packets = state.totalBytes = 0;
    state.progressPhase = 0;
    int code = note(link_.upload1(services_.settings().Port, address, terminalName, path));
    if (code == RC_SUCCESS) {
        state.pcFileName = path;  // the name the save mode chose
        TransferCounts counts;
        do {
            code =
                stopped() ? stopTransfer(address, Direction::Upload) : note(link_.upload2(counts));
            showCounts(counts, 0);
        } while (code == RC_MORE);
    }
    state.progressPhase = kPhaseFull;
    return code;
}

// Stop chosen during a file ends it at its next block as a failed transfer ends: the terminal
// is told, an upload's PC file stays as it was, and nothing else talks on the line meanwhile.
int FileTransfers::stopTransfer(char address, Direction direction) {
    const int port = services_.settings().Port;
    if (direction == Direction::Upload)
        link_.cancelUpload(port, address);
    else
        link_.cancelDownload(port, address);
    return note(kStoppedByOperator);
}

void FileTransfers::showCounts(const TransferCounts& counts, std::int64_t total) {
    HostState& state = services_.state();
    state.bytes = counts.bytes;
    state.packets = counts.packets;
    if (state.progressPhase < kPhaseFull)
        state.progressPhase = kAnimationSteps - counts.packets % kAnimationSteps;
    services_.showTransferProgress(counts.bytes, total);
    services_.redraw();
}

void FileTransfers::setFileStatus(int index, int code) {
    TerminalStatus& status = services_.state().status[index];
    if (code == RC_SUCCESS)
        status = TerminalStatus::Done;
    else if (code == RC_NOT_EXIST)
        status = TerminalStatus::FileMissing;
    else
        status = TerminalStatus::Failed;
}

// Names that differ only by the EMS prefix or the flash-ROM suffix share one PC file: a later
// one would overwrite the earlier copy, and its Delete would remove a terminal file whose copy
// is gone. Only the first of them is fetched; true when names[at] is a later one, refused.
bool FileTransfers::sharesPcFile(int index, char address, const std::vector<std::string>& names,
                                 int at) {
    const std::string_view localName = opscore::local_name_of(names[at]);
    for (int earlier = 0; earlier < at; ++earlier) {
        const std::string& other = names[earlier];
        if (other.empty() || opscore::local_name_of(other) != localName) continue;
        refuseName(index, address, kUpload, names[at] + " (same PC file as " + other + ")");
        return true;
    }
    return false;
}

// A name that cannot be used is reported like a file the terminal refused; nothing is sent.
void FileTransfers::refuseName(int index, char address, const char* operation,
                               const std::string& name) {
    services_.state().status[index] = TerminalStatus::Failed;
    services_.reporter().report(address, operation, name, RC_ILLEGAL_FILE_NAME);
    services_.redraw();
}

bool FileTransfers::isCommandLineForm(char letter) const {
    const HostState& state = services_.state();
    const auto& tokens = state.commandTokens;
    // The mode outlives its command: a later menu command with other tokens is no such form.
    return state.commandLineMode && tokens.size() >= kCommandLineTokens && !tokens[1].empty() &&
           tokens[1].front() == letter;
}

bool FileTransfers::stopped() const {
    return services_.state().isReady();
}

void FileTransfers::pause(int milliseconds) {
    link_.delay(milliseconds);
}

int FileTransfers::note(int code) {
    lastCode_ = code;
    linkCalled_ = true;
    return code;
}

std::string FileTransfers::pcPath(const std::string& name) const {
    if (!name.empty() && name.front() == '/') return name;
    return services_.workFolder() + "/" + name;
}

}  // namespace vantrel
