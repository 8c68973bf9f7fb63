#include "line_status.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using opscore::LineStatus;

LineStatus sample() {
    LineStatus s;
    s.version = "1.2";
    s.pid = 4242;
    s.updatedAt = 1700000000;
    s.line = "hall \"2\"\n";
    s.device = "/dev/serial/by-id/usb-Caf\xc3\xa9\x1b[2J";
    s.lineUp = false;
    s.command = "AB 1";
    s.terminals = {{'A', 12, 3, 1, 2, 1699999000, "Time out"}, {'"', 0, 0, 0, 0, 0, ""}};
    s.tokenWaits = 2;
    s.tokenWaitMs = 1500;
    return s;
}

TEST(LineStatusText, WhatIsWrittenReadsBackAndTheTextfileEscapesLabels) {
    LineStatus read;
    std::string why;
    ASSERT_TRUE(opscore::parseLineStatus(opscore::lineStatusJson(sample()), read, why)) << why;
    EXPECT_EQ(read, sample());
    const std::string prom = opscore::lineStatusTextfile(sample());
    EXPECT_NE(prom.find("vantrel_records_total{line=\"hall \\\"2\\\"\\n\",address=\"A\"} 12\n"),
              std::string::npos)
        << prom;
    EXPECT_NE(prom.find("vantrel_token_wait_seconds_total{line=\"hall \\\"2\\\"\\n\"} 1.5\n"),
              std::string::npos);
    EXPECT_EQ(opscore::textfileName("../x y"), "vantrel____x_y.prom");
}

// Whatever a status file holds, the reader answers with a reason and keeps nothing of it.
TEST(LineStatusText, HostileStatusesAreRefusedWithAReason) {
    const std::string good = opscore::lineStatusJson(sample());
    const std::string head = R"({"format": "vantrel-status 1", "pid": 7)";
    std::string manyMore;
    for (int i = 0; i < 70; ++i) manyMore += ",{}";
    const struct {
        std::string text;
        const char* why;
    } cases[] = {
        {good.substr(0, good.size() / 2), "cut short"},
        {"", "cut short"},
        {"\x1b[2J", "not JSON"},
        {std::string(100, '['), "nested too deep"},
        {head + R"(, "terminals": [[[[1]]]]})", "nested too deep"},
        {head + ", \"line\": \"" + std::string(5000, 'x') + "\"}", "a text too long"},
        {head + ", \"line\": \"a\x07\"}", "a control character in a text"},
        {head + ", \"updated_at\": 99999999999999999999}", "a number out of range"},
        {head + ", \"pid\": 8}", "a key given twice"},
        {R"({"format": "vantrel-status 1", "pid": "7"})", "\"pid\" has the wrong type"},
        {R"({"format": "vantrel-status 1"})", "no process id"},
        {R"({"format": "other", "pid": 7})", "not a status"},
        {"[1, 2]", "not a status"},
        {head + R"(, "terminals": [{"address": "AB"}]})",
         "a terminal address is not one character"},
        {head + R"(, "terminals": [1]})", "a terminal is not an object"},
        {head + R"(, "terminals": [{})" + manyMore + "]}", "too many terminals"},
        {head + "} trailing", "stray text after the status"},
        {std::string(opscore::kLineStatusMax + 1, ' '), "too large"},
    };
    for (const auto& c : cases) {
        LineStatus status = sample();
        std::string why;
        EXPECT_FALSE(opscore::parseLineStatus(c.text, status, why)) << c.why;
        EXPECT_EQ(why, c.why) << c.text.substr(0, 80);
        EXPECT_EQ(status, sample()) << c.why;
    }

    // The file itself: only a regular one, and never more of it than a status can hold.
    const auto folder =
        std::filesystem::temp_directory_path() / ("line_status_test." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "sub");
    std::ofstream(folder / "huge") << good << std::string(opscore::kLineStatusMax, ' ');
    const struct {
        std::string path;
        const char* why;
    } files[] = {{(folder / "huge").string(), "too large"},
                 {(folder / "sub").string(), "is a folder"},
                 {(folder / "none").string(), "not found"}};
    for (const auto& f : files) {
        LineStatus status;
        std::string why;
        EXPECT_FALSE(opscore::readLineStatusFile(f.path, status, why)) << f.path;
        EXPECT_EQ(why, f.why);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
