#pragma once

#include <string>

namespace vantrel {

// The token file shared with the program that reads the poll data file: its first 11 bytes
// say "Available  " or "Unavailable", and whoever turns the first into the second may use the
// poll data file. It is held open exclusively only for the moment of one read and write.
inline constexpr char kTokenFree[] = "Available  ";
inline constexpr char kTokenTaken[] = "Unavailable";
inline constexpr int kTokenBytes = 11;

enum class TokenAttempt {
    Taken,       // it said "Available" and now says "Unavailable"
    TakenOver,   // its holder was a process of this host that has ended; now it is ours
    Busy,        // someone else holds it
    CannotOpen,  // missing, or opened by someone else right now
};

// Who holds the token, as this program writes it after the 11 bytes the other programs read:
// enough to tell on this host whether that process still runs (a process id alone may have
// been given to another process since, or the machine restarted).
struct TokenHolder {
    std::string host;
    long pid = 0;
    unsigned long long start = 0;  // the process's start time in clock ticks after boot
    std::string boot;              // the kernel's id of this boot
    std::string pidSpace;          // the process id namespace
    std::string machine;           // /etc/machine-id: two hosts may share one host name
};

// This process as a holder.
TokenHolder thisProcessAsHolder();
std::string holderText(const TokenHolder& holder);
// False when the bytes after the first 11 are not such a text (another program's token).
bool parseHolderText(const std::string& text, TokenHolder& holder);
// True only for a holder on this host, in this boot and namespace, whose process is gone.
bool holderHasEnded(const TokenHolder& holder);
// "vantrel process 123 on host", for the message window.
std::string holderDescription(const TokenHolder& holder);

class TokenFile {
public:
    explicit TokenFile(std::string path) : path_(std::move(path)) {}

    // Takes a free token, or one whose holder has ended. Busy leaves heldBy() describing the
    // holder ("another program" when it wrote no holder text).
    TokenAttempt take();
    // Writes "Available  " back with the bytes that followed it before the take; false when
    // the file could not be opened.
    bool giveBack();

    const std::string& heldBy() const { return heldBy_; }

private:
    std::string path_;
    std::string tailBeforeTake_;
    std::string heldBy_;
};

}  // namespace vantrel
