#include "poll_data_file.h"

#include <span>

#include "record_text.h"

namespace vantrel {

std::string pollDataText(std::string_view data) {
    const std::span bytes(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    return opscore::record_line_text(bytes);
}

std::string pollRecordText(char address, std::string_view data) {
    return std::string(1, address) + ' ' + pollDataText(data);
}

std::string formatPollRecord(char address, std::string_view data) {
    return pollRecordText(address, data) + "\r\n";
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
