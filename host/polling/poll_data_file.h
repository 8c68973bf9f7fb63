#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "host_settings.h"

namespace vantrel {

// The record as text on one line: CR, LF and NUL in it are written as escapes, so a record can
// never end its line early or add lines of its own.
std::string pollDataText(std::string_view data);
// The address, a blank and that text.
std::string pollRecordText(char address, std::string_view data);
// That line and CR LF, as the poll data file holds it.
std::string formatPollRecord(char address, std::string_view data);

// The poll data file. Other programs may read it while polling runs; every record is flushed
// as soon as it is written so a reader never sees half of one.
class PollDataFile {
public:
    explicit PollDataFile(std::string path = {}) : path_(std::move(path)) {}
    ~PollDataFile() { close(); }
    PollDataFile(const PollDataFile&) = delete;
    PollDataFile& operator=(const PollDataFile&) = delete;

    void setPath(std::string path) { path_ = std::move(path); }
    const std::string& path() const { return path_; }

    // Append keeps what the file holds, New empties it. False when it cannot be opened.
    bool open(PollOpenMethod method);
    bool isOpen() const { return file_ != nullptr; }
    // False when the record did not reach the file whole.
    bool write(std::string_view record);
    void close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

}  // namespace vantrel
