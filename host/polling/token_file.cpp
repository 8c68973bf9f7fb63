#include "token_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantrel {

namespace {

// The file opened for reading and writing and locked against every other opener; -1 when it
// does not exist or someone else has it. The program never creates it.
class ExclusiveToken {
public:
    explicit ExclusiveToken(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
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
    // The first byte of the token, 0 when the file is empty.
    char firstByte() const {
        char text[kTokenBytes] = {};
        return ::pread(fd_, text, kTokenBytes, 0) > 0 ? text[0] : 0;
    }
    bool writeText(const char* text) const {
        return ::pwrite(fd_, text, kTokenBytes, 0) == kTokenBytes;
    }

private:
    int fd_;
};

}  // namespace

TokenAttempt tryTakeToken(const std::string& path) {
    ExclusiveToken token(path);
    if (!token.isOpen()) return TokenAttempt::CannotOpen;
    if (token.firstByte() != 'A') return TokenAttempt::Busy;
    return token.writeText(kTokenTaken) ? TokenAttempt::Taken : TokenAttempt::Busy;
}

bool tryGiveBackToken(const std::string& path) {
    ExclusiveToken token(path);
    if (!token.isOpen()) return false;
    return token.writeText(kTokenFree);
}

}  // namespace vantrel
