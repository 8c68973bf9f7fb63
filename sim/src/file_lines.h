// The files named on termsim's command line and those of its file store, opened only when they
// are regular files, and read line by line with a bound on the length of a line so that a file
// without line ends cannot fill memory.
#pragma once

#include <cstddef>
#include <string>

namespace termsim {

// Far beyond any record or setting line; a longer line means the file is not what was meant.
inline constexpr std::size_t kMaxFileLine = 4096;

// The descriptor of path opened for reading, or -1 with why in error: anything but a regular
// file is refused before any open that could block (a FIFO's waits for a writer for ever, a
// folder has no lines).
int open_regular_file(const std::string& path, std::string& error);

// Reads all of fd; false when a read fails.
bool read_all(int fd, std::string& content);

enum class LineRead { Line, End, TooLong, Error };

// The lines of an open descriptor, which it closes.
class FileLines {
public:
    explicit FileLines(int fd) : fd_(fd) {}
    ~FileLines();
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;

    // Reads up to the next LF, which is dropped with a CR before it. A last line without LF
    // counts. TooLong once the line holds more than max_length bytes: the rest is not read.
    // Error when a read fails.
    LineRead next(std::string& line, std::size_t max_length = kMaxFileLine);

private:
    int next_byte();  // -1 at the end, -2 when a read fails

    int fd_;
    char buffer_[4096];
    std::size_t at_ = 0;
    std::size_t size_ = 0;
};

}  // namespace termsim
