// Files named by the operator or a setting, opened for reading only when they are regular files.
#pragma once

#include <istream>
#include <streambuf>
#include <string>

namespace opscore {

// A folder gives no lines (its read fails), and the open of a FIFO waits for a writer for
// ever: anything but a regular file is refused before a blocking open. A read that fails later
// throws std::ios_base::failure from the stream buffer, as a file buffer does, so the stream's
// own reads set badbit and read_bounded_line says Error.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool is_open() const { return fd_ >= 0; }
    // Whether nothing is at the path at all (the one case that is no fault of the file).
    bool missing() const { return missing_; }
    // Whether the path names a folder, a FIFO, a device: nothing that holds lines.
    bool not_a_file() const { return not_a_file_; }
    // Why the file is not open, to follow its name: "not found", "is a folder", "is not a
    // regular file" or "cannot be read: <the system's reason>"; empty when it is open.
    const std::string& problem() const { return problem_; }

    std::istream& stream() { return stream_; }

private:
    class Buffer : public std::streambuf {
    public:
        int fd = -1;

    protected:
        int_type underflow() override;
        pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                         std::ios_base::openmode which) override;
        pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

    private:
        char bytes_[4096];
    };

    int fd_ = -1;
    bool missing_ = false;
    bool not_a_file_ = false;
    std::string problem_;
    Buffer buffer_;
    std::istream stream_{&buffer_};
};

}  // namespace opscore
