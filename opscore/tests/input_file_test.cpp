// Files named by the operator: only a regular file is opened, and a failed read is no end.
#include "input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "bounded_line.h"

namespace {

namespace fs = std::filesystem;

TEST(OpscoreInputFile, OnlyARegularFileOpensAndAFailedReadIsNoEnd) {
    const fs::path dir = fs::temp_directory_path() / ("opscore-input-" + std::to_string(getpid()));
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "plain") << "one\ntwo";
    std::ofstream(dir / "locked") << "x";
    fs::permissions(dir / "locked", fs::perms::none);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string problem;
    } rows[] = {
        {"plain", ""},
        {"none", "not found"},
        {"folder", "is a folder"},
        {"fifo", "is not a regular file"},  // and no wait for a writer
        {"locked", geteuid() == 0 ? "" : "cannot be read: Permission denied"},
    };
    for (const auto& row : rows) {
        opscore::InputFile file((dir / row.name).string());
        EXPECT_EQ(file.problem(), row.problem) << row.name;
        EXPECT_EQ(file.is_open(), row.problem.empty()) << row.name;
    }
    std::string line;
    // A file buffer over a folder throws from its read: that ends the lines as an error.
    std::ifstream folder(dir / "folder");
    EXPECT_EQ(opscore::read_bounded_line(folder, line, 9), opscore::LineRead::Error);
    EXPECT_EQ(opscore::read_bounded_line(folder, line, 9), opscore::LineRead::Error);
    fs::remove_all(dir);
}

}  // namespace
