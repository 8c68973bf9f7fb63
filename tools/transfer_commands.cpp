// Moving files: upload from the terminals, download to them, download to a Tester.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "command_table.h"
#include "terminal_files.h"
#include "terminal_visit.h"
#include "vantlink.h"

namespace vantctl {
namespace {

// The library writes the local name back into a buffer of this size.
constexpr size_t kLocalPathRoom = VANTLINK_LOCAL_PATH;
constexpr size_t kMaxLocalFile = 4095;

// Uploads without a LOCAL_PATH go to ./ADDR_<a>/.
constexpr const char* kWorkFolder = ".";

// Where one terminal's copy goes; the folder is set when it is the terminal's own and may need
// making.
struct UploadTarget {
    std::string path;
    std::optional<std::string> folder;
};

const std::string& checked_local_path(const std::string& path) {
    return checked_text(path, kLocalPathRoom - 1, "the local path");
}

UploadTarget upload_target(const Invocation& inv, char address, const std::string& terminal_file) {
    if (inv.words.size() > 2) return {checked_local_path(inv.word(2)), std::nullopt};
    auto folder = opscore::terminal_folder(kWorkFolder, address);
    if (!folder) throw UsageError(std::string("address ") + address + " cannot name a folder");
    const auto path =
        opscore::uploaded_file_path(kWorkFolder, address, opscore::local_name_of(terminal_file));
    if (!path) {
        throw UsageError("the terminal file name " + terminal_file + " cannot name a file in " +
                         *folder + ": give LOCAL_PATH");
    }
    return {checked_local_path(*path), std::move(folder)};
}

void make_folder(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return;
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        throw CommandFailure("Drectory '" + folder + "' can't be created");
    }
}

// An upload whose local file failed leaves the terminal sending; tell it to stop.
void release_terminal(int32_t rc, int32_t port, char address) {
    if (rc == RC_FILE_OPEN_ERROR) HM_cancel_upload(port, address);
}

Outcome upload_one(const Invocation& inv, char address, const std::string& terminal_file,
                   const UploadTarget& target) {
    if (target.folder) make_folder(*target.folder);
    char used[kLocalPathRoom] = {};
    target.path.copy(used, kLocalPathRoom - 1);
    int32_t rc = HM_upload1(inv.link.port, address, terminal_file.c_str(), used);
    if (rc == RC_SUCCESS) {
        int32_t bytes = 0, blocks = 0;
        while ((rc = HM_upload2(&bytes, &blocks)) == RC_MORE) {
        }
    }
    release_terminal(rc, inv.link.port, address);
    if (interrupting_signal() != 0) {
        // The library has told the terminal to stop and put the local file back.
        std::fprintf(stderr, "vantctl %s: %c: upload cancelled: %s left as it was\n",
                     inv.command.c_str(), address, target.path.c_str());
    }
    return outcome_of(rc, used);
}

int upload(const Invocation& inv) {
    const std::string addresses = checked_addresses(inv.word(0));
    const std::string& terminal_file =
        checked_text(inv.word(1), kMaxRequestText, "the terminal file name");
    // Every mistake shows before any traffic.
    for (char address : addresses) upload_target(inv, address, terminal_file);
    return visit_each(inv, addresses, [&](char a) {
        return upload_one(inv, a, terminal_file, upload_target(inv, a, terminal_file));
    });
}

// The progress of a download on standard error: rewritten in place on a terminal, else only
// the final line.
class ProgressLine {
public:
    explicit ProgressLine(std::string prefix)
        : prefix_(std::move(prefix)), in_place_(isatty(STDERR_FILENO) == 1) {}

    void show(int32_t blocks, int32_t bytes, int32_t size) {
        blocks_ = blocks;
        bytes_ = bytes;
        size_ = size;
        if (in_place_) std::fprintf(stderr, "\r%s", text().c_str());
    }
    void finish() { std::fprintf(stderr, "%s%s\n", in_place_ ? "\r" : "", text().c_str()); }

private:
    std::string text() const {
        // An empty file is complete as soon as it started.
        const int64_t percent = size_ > 0 ? int64_t{bytes_} * 100 / size_ : 100;
        char line[96];
        // Three numbers of at most eleven characters each: always fits.
        (void)std::snprintf(line, sizeof line, "blocks %d  bytes %d  %d %%", blocks_, bytes_,
                            static_cast<int>(percent));
        return prefix_ + line;
    }

    std::string prefix_;
    bool in_place_;
    int32_t blocks_ = 0, bytes_ = 0, size_ = 0;
};

Outcome download_one(const Invocation& inv, char address, bool several,
                     const std::string& local_file, const std::string& terminal_file) {
    int32_t size = 0;
    int32_t rc =
        HM_download1(inv.link.port, address, local_file.c_str(), terminal_file.c_str(), &size);
    if (rc != RC_SUCCESS) return outcome_of(rc);
    ProgressLine progress(several ? std::string(1, address) + ": " : "");
    int32_t bytes = 0, blocks = 0;
    progress.show(blocks, bytes, size);
    while ((rc = HM_download2(&bytes, &blocks)) == RC_MORE) progress.show(blocks, bytes, size);
    progress.finish();
    return outcome_of(rc);
}

int download(const Invocation& inv) {
    const std::string addresses = checked_addresses(inv.word(0));
    const std::string& local_file = checked_text(inv.word(1), kMaxLocalFile, "the local file");
    const std::string terminal_file =
        inv.words.size() > 2 ? inv.word(2) : std::string(opscore::base_name(local_file));
    checked_text(terminal_file, kMaxRequestText, "the terminal file name");
    return visit_each(inv, addresses, [&](char a) {
        return download_one(inv, a, addresses.size() > 1, local_file, terminal_file);
    });
}

int tester_download(const Invocation& inv) {
    const char address = checked_address(inv.word(0));
    const std::string& local_file = checked_text(inv.word(1), kMaxRequestText, "the local file");
    return visit_each(inv, std::string(1, address), [&](char a) {
        const int32_t rc = HM_Tester_Download_Initial(inv.link.port, a, local_file.c_str());
        if (rc != RC_SUCCESS) return outcome_of(rc);
        // A file cut short by a read error is not closed as complete.
        const int32_t sent = HM_Tester_Downloading(inv.link.port, local_file.c_str());
        if (sent != RC_SUCCESS) return outcome_of(sent);
        return outcome_of(HM_Tester_Download_Finish(inv.link.port, a));
    });
}

}  // namespace

std::vector<CommandSpec> transfer_commands() {
    return {
        make_spec("upload", "ADDRESSES TERMINAL_FILE [LOCAL_PATH]",
                  "copy a terminal file to LOCAL_PATH or ./ADDR_<a>/; prints the name used", 2, 3,
                  upload),
        make_spec("download", "ADDRESSES LOCAL_FILE [TERMINAL_FILE]",
                  "copy a PC file to the terminals, showing its progress", 2, 3, download),
        make_spec("tester-download", "ADDRESS LOCAL_FILE",
                  "send a file to the Tester device (pace: --tester-delay)", 2, 2, tester_download),
    };
}

}  // namespace vantctl
