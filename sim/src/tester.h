// The Tester device at address Z: it takes unanswered block frames and stores the file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "file_store.h"
#include "trace.h"

namespace termsim {

class Tester {
public:
    static constexpr char kAddress = 'Z';

    Tester(const std::string& store_dir, Trace& trace);

    FileStore& store() { return *store_; }
    // Every station hears the `l` request that announces the file, whoever it is sent to.
    void expect_file(const std::string& path);
    void frame(std::uint8_t letter, const Bytes& data);

private:
    void finish();

    std::unique_ptr<FileStore> store_;
    Trace& trace_;
    std::string name_ = "TESTER.DAT";
    std::optional<Bytes> content_;
};

}  // namespace termsim
