#include "token_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vantrel {

namespace {

constexpr char kHolderMark[] = " held by vantrel";
// Far more than a token file holds; what lies beyond is never looked at.
constexpr std::size_t kReadMax = 1024;

// The file opened for reading and writing and locked against every other opener; -1 when it
// does not exist or someone else has it. The program never creates it.
class ExclusiveToken {
public:
    explicit ExclusiveToken(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK)) {
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~ExclusiveToken() {
        if (fd_ >= 0) ::close(fd_);
    }
    ExclusiveToken(const ExclusiveToken&) = delete;
    ExclusiveToken& operator=(const ExclusiveToken&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::string contents() const {
        std::string text(kReadMax, '\0');
        const ssize_t got = ::pread(fd_, text.data(), text.size(), 0);
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return text;
    }
    // The 11 bytes and what follows them; the file ends there.
    bool writeText(const char* token, const std::string& tail) const {
        const std::string text = std::string(token, kTokenBytes) + tail;
        return ::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) &&
               ::ftruncate(fd_, static_cast<off_t>(text.size())) == 0;
    }

private:
    int fd_;
};

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Field 22 of /proc/PID/stat; 0 when the process does not exist.
unsigned long long processStart(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name in brackets may hold blanks: count fields after its closing bracket.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i < 22 && fields >> field; ++i) {
    }
    unsigned long long start = 0;
    fields >> start;
    return start;
}

std::string pidNamespace() {
    char target[64] = {};
    const ssize_t got = ::readlink("/proc/self/ns/pid", target, sizeof target - 1);
    return got > 0 ? std::string(target, static_cast<std::size_t>(got)) : std::string();
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

TokenHolder thisProcessAsHolder() {
    TokenHolder self;
    self.host = hostName();
    self.pid = static_cast<long>(::getpid());
    self.start = processStart(self.pid);
    self.boot = firstLine("/proc/sys/kernel/random/boot_id");
    self.pidSpace = pidNamespace();
    self.machine = firstLine("/etc/machine-id");
    return self;
}

std::string holderText(const TokenHolder& holder) {
    return std::string(kHolderMark) + " host=" + holder.host +
           " pid=" + std::to_string(holder.pid) + " start=" + std::to_string(holder.start) +
           " boot=" + holder.boot + " pidns=" + holder.pidSpace + " machine=" + holder.machine +
           "\n";
}

bool parseHolderText(const std::string& text, TokenHolder& holder) {
    if (!text.starts_with(kHolderMark)) return false;
    std::istringstream words(text.substr(sizeof kHolderMark - 1));
    std::string word;
    int found = 0;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals == std::string::npos) return false;
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        try {
            if (key == "host")
                holder.host = value;
            else if (key == "pid")
                holder.pid = std::stol(value);
            else if (key == "start")
                holder.start = std::stoull(value);
            else if (key == "boot")
                holder.boot = value;
            else if (key == "pidns")
                holder.pidSpace = value;
            else if (key == "machine")
                holder.machine = value;
            else
                continue;
        } catch (const std::exception&) {
            return false;
        }
        ++found;
    }
    // machine= came later: a holder without it is read, and never taken over.
    return found >= 5 && !holder.host.empty() && holder.pid > 0;
}

bool holderHasEnded(const TokenHolder& holder) {
    const TokenHolder self = thisProcessAsHolder();
    // Another machine, or one this host cannot see into: never judged from here.
    if (holder.host != self.host || holder.machine != self.machine ||
        holder.pidSpace != self.pidSpace || self.boot.empty())
        return false;
    if (holder.boot != self.boot) return true;  // the machine has restarted since
    const unsigned long long start = processStart(holder.pid);
    return start == 0 || start != holder.start;
}

std::string holderDescription(const TokenHolder& holder) {
    return "vantrel process " + std::to_string(holder.pid) + " on " + holder.host;
}

TokenAttempt TokenFile::take() {
    ExclusiveToken token(path_);
    if (!token.isOpen()) return TokenAttempt::CannotOpen;
    const std::string text = token.contents();
    const std::string tail = text.size() > kTokenBytes ? text.substr(kTokenBytes) : std::string();
    TokenHolder holder;
    const bool ours = parseHolderText(tail, holder);
    bool takenOver = false;
    if (text.empty() || text[0] != 'A') {
        heldBy_ = ours ? holderDescription(holder) : "another program";
        if (!ours || !holderHasEnded(holder)) return TokenAttempt::Busy;
        takenOver = true;
    }
    // A holder text left behind a free token is no one's: it is not kept for others to read.
    const std::string kept = ours ? std::string() : tail;
    if (!token.writeText(kTokenTaken, holderText(thisProcessAsHolder()))) return TokenAttempt::Busy;
    tailBeforeTake_ = kept;
    return takenOver ? TokenAttempt::TakenOver : TokenAttempt::Taken;
}

bool TokenFile::giveBack() {
    ExclusiveToken token(path_);
    if (!token.isOpen()) return false;
    return token.writeText(kTokenFree, tailBeforeTake_);
}

}  // namespace vantrel
