// The command line that tests, the demo and the benchmark rely on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "clock.h"
#include "options.h"
#include "pty_port.h"

namespace termsim {
namespace {

struct ProcessResult {
    int exit_code = -1;
    std::string output;
};

ProcessResult run_termsim(const std::string& args) {
    ProcessResult run;
    const std::string command = std::string(TERMSIM_BINARY) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(TermsimOptions, RefusesBadCommandLinesBeforeCreatingTheLine) {
    EXPECT_EQ(run_termsim("--terminal A").exit_code, 2);           // no --link
    EXPECT_EQ(run_termsim("--link /nonexistent/x").exit_code, 2);  // no terminal
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal AB").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal '\\'").exit_code, 2);  // 0xDC
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal A --terminal A").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal A,kind=9").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal A,records=/nonexistent").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --fault-nak 1.5 --terminal A").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --number 12=maybe --terminal A").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --fifo 0 --terminal A").exit_code, 2);
    EXPECT_EQ(run_termsim("--link /nonexistent/x --fifo 65 --terminal A").exit_code, 2);
    // A record that cannot travel in one answer frame.
    EXPECT_EQ(run_termsim("--link /nonexistent/x --terminal A,generate=1x255").exit_code, 2);
    EXPECT_EQ(
        run_termsim("--link /nonexistent/x --terminal A,id=" + std::string(98, 'x')).exit_code, 2);
}

std::string temp_file(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("termsim-" + name + "-" + std::to_string(getpid()));
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

TEST(TermsimOptions, ARecordsFileThatHoldsNoLinesIsRefusedUnread) {
    const std::string endless = temp_file("endless", std::string(4 << 20, 'r'));
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string fifo = folder + "/termsim-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [file, why] : {std::pair{endless, "line 1 is longer than 4096 bytes"},
                                    {fifo, ": is not a regular file"},  // and no wait for a writer
                                    {folder, ": is a folder"}}) {
        const ProcessResult run = run_termsim("--link /nonexistent/x --terminal A,records=" + file);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_NE(run.output.find(why), std::string::npos) << run.output;
    }
    std::filesystem::remove(endless);
    std::filesystem::remove(fifo);
}

TEST(TermsimOptions, EscapedRecordsHoldAnyByteAndRefuseStrayBackslashes) {
    const std::string file = temp_file("escaped", "a1\\r\\nB forged\r\n\\x1B[2J\\0\\\\\n");
    const std::string bad = temp_file("bad-escape", "C:\\DATA\n");
    const std::string arg = "A,escaped-records=" + file;
    const char* argv[] = {"termsim", "--link", "L", "--terminal", arg.c_str()};
    std::string error;
    const auto options =
        parse_options(static_cast<int>(std::size(argv)), const_cast<char**>(argv), error);
    const ProcessResult refused =
        run_termsim("--link /nonexistent/x --terminal A,escaped-records=" + bad);
    std::filesystem::remove(file);
    std::filesystem::remove(bad);
    ASSERT_TRUE(options) << error;
    const auto& records = options->terminals.at(0).records;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(to_text(records[0]), "a1\r\nB forged");
    EXPECT_EQ(to_text(records[1]), std::string("\x1b[2J\0\\", 6));
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.output.find("line 1 has a backslash"), std::string::npos) << refused.output;
}

TEST(TermsimOptions, HelpDocumentsTheTerminalKeys) {
    const ProcessResult run = run_termsim("--help");
    EXPECT_EQ(run.exit_code, 0);
    for (const char* key : {"records=", "generate=", "store=", "sleep=", "kind=", "id=",
                            "firmware=", "program=", "upload-mode=", "ram=", "flash=",
                            "--fault-carrier", "--fault-check1", "escaped-records="}) {
        EXPECT_NE(run.output.find(key), std::string::npos) << key;
    }
}

TEST(TermsimOptions, ParsesFaultsDialPlansAndTerminalKeys) {
    const char* argv[] = {"termsim",
                          "--link",
                          "L",
                          "--seed",
                          "42",
                          "--fault-check",
                          "0.25",
                          "--late-ms",
                          "50",
                          "--number",
                          "555=busy:80",
                          "--terminal",
                          "B,kind=3,generate=3x8,sleep=1,ram=512"};
    std::string error;
    const auto options =
        parse_options(static_cast<int>(std::size(argv)), const_cast<char**>(argv), error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->seed, 42u);
    EXPECT_DOUBLE_EQ(options->faults.check, 0.25);
    EXPECT_EQ(options->faults.late_ms, 50);
    ASSERT_EQ(options->numbers.size(), 1u);
    EXPECT_EQ(options->numbers[0].result, DialResult::Busy);
    EXPECT_EQ(options->numbers[0].delay_ms, 80);
    const TerminalConfig& b = options->terminals.at(0);
    EXPECT_EQ(b.address, 'B');
    EXPECT_EQ(b.kind, 3);
    EXPECT_TRUE(b.asleep);
    EXPECT_EQ(b.ram_kb, 512);
    ASSERT_EQ(b.records.size(), 3u);
    EXPECT_EQ(to_text(b.records[0]), "B1-ABCDE");
    EXPECT_EQ(to_text(b.records[2]), "B3-ABCDE");
}

// With a FIFO the host gets bytes in groups, each when its last byte has crossed the line:
// never earlier than byte by byte, and the last group of an answer without waiting for more.
TEST(TermsimFifo, GroupsLeaveWhenTheirLastByteHasCrossedTheLine) {
    Trace trace;
    PtyPort port(9600, trace, 4);
    std::string error;
    const auto link =
        std::filesystem::temp_directory_path() / ("termsim-fifo-" + std::to_string(getpid()));
    ASSERT_TRUE(port.open(link.string(), error)) << error;
    const int host = ::open(port.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(host, 0);
    const Nanos start = monotonic_now() + kNanosPerSecond;
    const Nanos byte = port.byte_time();
    port.send(Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}, start);
    std::string got;
    for (const int last : {4, 8, 10}) {
        EXPECT_EQ(port.next_due(), start + last * byte);
        port.write_due(start + last * byte - 1);  // not yet
        port.write_due(start + last * byte);
        char buffer[16];
        const ssize_t n = ::read(host, buffer, sizeof buffer);
        got += std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0))) + "|";
    }
    EXPECT_EQ(got, "0123|4567|89|");
    EXPECT_EQ(port.next_due(), -1);
    ::close(host);
}

}  // namespace
}  // namespace termsim
