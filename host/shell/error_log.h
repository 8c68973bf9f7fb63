#pragma once

#include <string>
#include <string_view>

#include "host_settings.h"

namespace vantrel {

// ERR_LOG.TXT: one line per failed or finished terminal result, held open and locked against
// other processes for the whole run.
class ErrorLog {
public:
    explicit ErrorLog(std::string path);
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // Opens for the mode (No opens nothing). False when the file cannot be opened or another
    // process holds it; the log is then closed.
    bool open(ErrorLogMode mode);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // Writes the bytes at the current end; a failed write is not reported.
    void write(std::string_view line);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace vantrel
