#include "tester.h"

namespace termsim {

Tester::Tester(const std::string& store_dir, Trace& trace)
    : store_(std::make_unique<FileStore>(store_dir)), trace_(trace) {}

void Tester::expect_file(const std::string& path) {
    // The host names its local path; keep only the last component, with either separator.
    const auto cut = path.find_last_of("/\\:");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    name_ = is_safe_file_name(name) ? name : "TESTER.DAT";
    // A transfer that never saw its end frame must not run into the new file.
    if (content_) trace_.event("Z: unfinished tester download dropped");
    content_.reset();
}

void Tester::frame(std::uint8_t letter, const Bytes& data) {
    if (letter == 'y' && !content_) {
        content_.emplace();  // the opening block carries only "A"
        trace_.event("Z: tester download started: " + name_);
    } else if (letter == 'y') {
        const Bytes block = decode_data(data);
        content_->insert(content_->end(), block.begin(), block.end());
    } else if (letter == 'z') {
        finish();
    }
}

void Tester::finish() {
    if (!content_) return;
    const bool stored = store_->write(Area::Ram, name_, *content_);
    trace_.event("Z: tester file " + std::string(stored ? "stored: " : "not stored: ") + name_ +
                 " (" + std::to_string(content_->size()) + " bytes)");
    content_.reset();
}

}  // namespace termsim
