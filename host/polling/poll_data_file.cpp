#include "poll_data_file.h"

namespace vantrel {

std::string formatPollRecord(char address, std::string_view data) {
    std::string record;
    record.reserve(data.size() + 4);
    record += address;
    record += ' ';
    record += data;
    record += "\r\n";
    return record;
}

bool PollDataFile::open(PollOpenMethod method) {
    close();
    file_ = std::fopen(path_.c_str(), method == PollOpenMethod::New ? "wb" : "ab");
    return file_ != nullptr;
}

bool PollDataFile::write(std::string_view record) {
    if (!file_) return false;
    const bool whole = std::fwrite(record.data(), 1, record.size(), file_) == record.size();
    return std::fflush(file_) == 0 && whole;
}

void PollDataFile::close() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace vantrel
