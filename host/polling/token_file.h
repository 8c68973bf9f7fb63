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
    Busy,        // the other program holds it
    CannotOpen,  // missing, or opened by someone else right now
};

TokenAttempt tryTakeToken(const std::string& path);
// Writes "Available  " back; false when the file could not be opened.
bool tryGiveBackToken(const std::string& path);

}  // namespace vantrel
