#include "line_health.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host_services.h"
#include "profile_file.h"
#include "result_text.h"
#include "vant_version.h"
#include "vantlink.h"

namespace vantrel {

namespace {

constexpr std::int64_t kWriteEveryMs = 3000;
constexpr char kTextfileVariable[] = "VANTREL_TEXTFILE_DIR";

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t wallSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string baseName(const std::string& folder) {
    const auto slash = folder.find_last_of('/');
    return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

std::string resultWords(int code) {
    const std::string_view words = opscore::result_text(code);
    return words.empty() ? "code " + std::to_string(code) : std::string(words);
}

}  // namespace

bool replaceFile(const std::string& folder, const std::string& name, const std::string& text,
                 std::string& why) {
    // Hidden and without the final name's ending, so no reader globbing for it picks it up.
    const std::string temporary = folder + "/." + name + ".new";
    const std::string target = folder + "/" + name;
    const int fd = ::open(temporary.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0664);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    // Figures only, no records: readable by whoever watches (the exporter, vantctl status),
    // whatever umask the service runs under.
    (void)::fchmod(fd, 0644);
    const bool whole = opscore::writeWhole(fd, text) && ::fsync(fd) == 0;
    const int error = whole ? 0 : (errno ? errno : EIO);
    ::close(fd);
    if (!whole || ::rename(temporary.c_str(), target.c_str()) != 0) {
        why = std::strerror(whole ? errno : error);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

LineHealth::LineHealth(HostServices& services) : services_(services) {
    if (const char* folder = std::getenv(kTextfileVariable)) textfileFolder_ = folder;
    status_.version = VANT_VERSION;
    status_.pid = static_cast<std::int64_t>(::getpid());
    status_.startedAt = wallSeconds();
}

void LineHealth::begin(const std::string& command, const std::string& device) {
    status_.line = baseName(services_.workFolder());
    status_.device = device;
    status_.command = command;
    status_.lineUp = true;
    status_.lineSince = wallSeconds();
    addressesChanged();
}

void LineHealth::end() {
    status_.command.clear();
    write();
}

void LineHealth::answered(char address, int code) {
    opscore::TerminalHealth& t = terminals_[address];
    t.lastResult = resultWords(code);
    switch (code) {
        case RC_SUCCESS:
            ++t.records;
            t.lastRecordAt = wallSeconds();
            break;
        case RC_NO_DATA:
            break;
        case RC_TIME_OUT:
            ++t.timeouts;
            break;
        case RC_HOST_NAK:
            ++t.naks;
            break;
        default:
            ++t.errors;
            break;
    }
}

void LineHealth::lineChanged(bool up) {
    status_.lineUp = up;
    status_.lineSince = wallSeconds();
    write();
}

void LineHealth::tokenWaited(std::int64_t waitedMs) {
    ++status_.tokenWaits;
    status_.tokenWaitMs += waitedMs;
}

void LineHealth::addressesChanged() {
    write();
}

void LineHealth::tick() {
    if (steadyMs() - lastWriteMs_ >= kWriteEveryMs) write();
}

void LineHealth::write() {
    lastWriteMs_ = steadyMs();
    status_.updatedAt = wallSeconds();
    // Every address in force, in the order polled; counts survive a reload that reorders them.
    status_.terminals.clear();
    for (const char address : services_.settings().Address) {
        opscore::TerminalHealth t = terminals_[address];
        t.address = address;
        status_.terminals.push_back(std::move(t));
    }
    writeOne(services_.workFolder(), opscore::kLineStatusFileName, opscore::lineStatusJson(status_),
             statusFailing_);
    if (!textfileFolder_.empty())
        writeOne(textfileFolder_, opscore::textfileName(status_.line),
                 opscore::lineStatusTextfile(status_), textfileFailing_);
}

// Said once until a write works again: polling goes on either way.
void LineHealth::writeOne(const std::string& folder, const std::string& name,
                          const std::string& text, bool& failing) {
    std::string why;
    if (replaceFile(folder, name, text, why)) {
        failing = false;
        return;
    }
    if (failing) return;
    failing = true;
    services_.reporter().report(' ', folder + "/" + name,
                                "cannot be written: " + why + "; polling goes on", kLoggedNoteCode);
}

}  // namespace vantrel
