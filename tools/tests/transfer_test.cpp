// vantctl's file transfers against termsim: byte-exact round trips, progress, save modes,
// failures on either side, the Tester download.
#include <filesystem>
#include <random>

#include "vantctl_fixture.h"

namespace {

using vantctl_test::contains;
using vantctl_test::ProcessRun;
using vantctl_test::read_file;
using vantctl_test::write_file;

// Random bytes with every byte that the line encodes specially among them.
std::string awkward_bytes(size_t size) {
    std::mt19937 random(7);
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(random() & 0xFF);
    const char special[] = {
        0x00, 0x02, 0x03, 0x1B, 0x5C, static_cast<char>(0xDC), static_cast<char>(0xFF)};
    for (size_t i = 0; i < sizeof special && i < size; ++i) bytes[i * 37 % size] = special[i];
    return bytes;
}

class VantctlTransfer : public vantctl_test::VantctlFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directories(store_ram());
        start_sim({"A,store=" + dir_.file("store"), "B"});
    }
    std::string store_ram() const { return dir_.file("store") + "/ram"; }
    // Puts a file on terminal A's RAM disk.
    void on_terminal(const std::string& name, const std::string& content) {
        write_file(store_ram() + "/" + name, content);
    }
};

TEST_F(VantctlTransfer, DownloadThenUploadIsByteIdentical) {
    const std::string content = awkward_bytes(3000);
    write_file(dir_.file("image.bin"), content);
    const ProcessRun down = fast("download A image.bin IMAGE.BIN");
    EXPECT_EQ(down.status, 0) << down.err;
    // Standard error is no terminal here: only the final line, 25 blocks of 120 bytes.
    EXPECT_EQ(down.err, "blocks 25  bytes 3000  100 %\n");
    EXPECT_EQ(read_file(store_ram() + "/IMAGE.BIN"), content);

    const ProcessRun up = fast("upload A IMAGE.BIN");
    EXPECT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(up.out, "./ADDR_A/IMAGE.BIN\n");
    EXPECT_EQ(read_file(dir_.file("ADDR_A/IMAGE.BIN")), content);
}

TEST_F(VantctlTransfer, OnATerminalTheProgressLineIsRewrittenInPlace) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    write_file(dir_.file("P.BIN"), std::string(250, 'p'));
    // script(1) gives vantctl a pseudo-terminal as its standard error.
    const std::string out = dir_.file("typescript");
    const std::string command = "cd '" + dir_.path() + "' && VANTLINK_COM1='" + dir_.file("com1") +
                                "' script -qec \"'" + std::string(VANTCTL_PATH) +
                                "' --baud 57600 download A P.BIN\" " + "/dev/null >'" + out +
                                "' 2>&1";
    ProcessRun run;
    run.status = WEXITSTATUS(std::system(command.c_str()));
    run.out = read_file(out);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "\rblocks 1  bytes 120  48 %\rblocks 2  bytes 240  96 %"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\rblocks 3  bytes 250  100 %\r\n")) << run.out;
}

TEST_F(VantctlTransfer, DownloadNamesTheTerminalFileAfterTheLocalOne) {
    std::filesystem::create_directories(dir_.file("sub"));
    write_file(dir_.file("sub/EMPTY.DAT"), "");
    const ProcessRun run = fast("download A sub/EMPTY.DAT");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "blocks 0  bytes 0  100 %\n");
    EXPECT_TRUE(std::filesystem::exists(store_ram() + "/EMPTY.DAT"));
}

TEST_F(VantctlTransfer, UploadSaveModes) {
    on_terminal("FILE.DAT", "new data");
    std::filesystem::create_directories(dir_.file("ADDR_A"));
    write_file(dir_.file("ADDR_A/FILE.DAT"), "old data|");

    const ProcessRun fresh = fast("upload A FILE.DAT");  // new is the default
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(fresh.out, "./ADDR_A/FIL0.DAT\n");
    EXPECT_EQ(read_file(dir_.file("ADDR_A/FIL0.DAT")), "new data");
    EXPECT_EQ(read_file(dir_.file("ADDR_A/FILE.DAT")), "old data|");

    EXPECT_EQ(fast("--save-mode append upload A FILE.DAT").status, 0);
    EXPECT_EQ(read_file(dir_.file("ADDR_A/FILE.DAT")), "old data|new data");

    EXPECT_EQ(fast("--save-mode overwrite upload A FILE.DAT").status, 0);
    EXPECT_EQ(read_file(dir_.file("ADDR_A/FILE.DAT")), "new data");
}

TEST_F(VantctlTransfer, UploadToAGivenPathAndFromSeveralTerminals) {
    on_terminal("LOG.TXT", "from A");
    const ProcessRun given = fast("upload A LOG.TXT copy.txt");
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.out, "copy.txt\n");
    EXPECT_EQ(read_file(dir_.file("copy.txt")), "from A");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ADDR_A")));

    // B lacks the file: A's copy arrives, B fails, and no file is made for B.
    const ProcessRun both = fast("upload AB LOG.TXT");
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.out, "A: ./ADDR_A/LOG.TXT\n");
    EXPECT_TRUE(contains(both.err, "B: doesn't exist")) << both.err;
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ADDR_B/LOG.TXT")));
}

TEST_F(VantctlTransfer, AnUnwritableLocalFileReleasesTheTerminal) {
    on_terminal("DATA.DAT", "x");
    const ProcessRun run = fast("upload A DATA.DAT no/such/folder/DATA.DAT");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "A: File open error")) << run.err;
    EXPECT_TRUE(contains(trace(), "A: upload cancelled: DATA.DAT")) << trace();
    // The terminal answers normally afterwards.
    EXPECT_EQ(fast("upload A DATA.DAT").status, 0);
}

TEST_F(VantctlTransfer, MissingFilesAndTooLongPaths) {
    const ProcessRun local = fast("download A absent.bin");
    EXPECT_EQ(local.status, 1);
    EXPECT_TRUE(contains(local.err, "A: doesn't exist")) << local.err;
    EXPECT_FALSE(contains(trace(), "download started"));

    EXPECT_EQ(fast("upload A F.DAT " + std::string(120, 'x')).status, 2);
    EXPECT_EQ(fast("upload A " + std::string(112, 'N')).status, 2);  // default path too long
    EXPECT_EQ(fast("upload A ..").status, 2);
    EXPECT_EQ(fast("upload A").status, 2);
    EXPECT_FALSE(contains(trace(), "upload started"));
}

TEST_F(VantctlTransfer, ATerminalFileNameNeverPlacesTheCopyOutsideItsFolder) {
    on_terminal("x", "outside");
    for (const std::string name : {"../x", "a/b", "'..\\x'", "C:..", "/ROM"}) {
        const ProcessRun run = fast("upload A " + name);
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_TRUE(contains(run.err, "cannot name a file in ./ADDR_A: give LOCAL_PATH"))
            << run.err;
    }
    EXPECT_FALSE(contains(trace(), "upload")) << trace();
    EXPECT_FALSE(std::filesystem::exists(dir_.file("x")));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ADDR_A")));
}

TEST_F(VantctlTransfer, TesterDownloadDeliversTheFile) {
    sim_.reset();
    const std::string tester_store = dir_.file("tester");
    start_sim({"A", "Z,store=" + tester_store});
    const std::string content = awkward_bytes(300);
    write_file(dir_.file("TEST.BIN"), content);
    const ProcessRun run = fast("--tester-delay 5 tester-download A TEST.BIN");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(tester_store + "/ram/TEST.BIN"), content);
    const ProcessRun missing = fast("--tester-delay 5 tester-download A NONE.BIN");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "doesn't exist"));
    const ProcessRun unreadable = fast("--tester-delay 5 tester-download A /proc/self/mem");
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_TRUE(contains(unreadable.err, "File open error")) << unreadable.err;
    EXPECT_FALSE(std::filesystem::exists(tester_store + "/ram/mem")) << "kept as complete";
}

// Ctrl-C (from timeout(1), a second into an upload that takes many) during an Over-write upload:
// the old copy stays with nothing hidden beside it, and vantctl ends by the signal.
TEST_F(VantctlTransfer, InterruptedUploadLeavesTheFileAsItWas) {
    sim_.reset();
    start_sim({"A,store=" + dir_.file("store")}, {"--turnaround-ms", "20"});
    on_terminal("BIG.DAT", std::string(100000, 'b'));
    write_file(dir_.file("copy.txt"), "old copy");
    const ProcessRun run = vantctl("--baud 57600 --save-mode overwrite upload A BIG.DAT copy.txt",
                                   "timeout -s INT --preserve-status 1");
    EXPECT_EQ(run.status, 128 + 2) << "ended by SIGINT";
    EXPECT_TRUE(contains(trace(), "upload started: BIG.DAT")) << trace();
    EXPECT_FALSE(contains(trace(), "upload finished")) << trace();
    EXPECT_EQ(read_file(dir_.file("copy.txt")), "old copy");
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".copy.txt")) << entry.path();
    EXPECT_EQ(run.err,
              "vantctl upload: A: upload cancelled: copy.txt left as it was\n"
              "vantctl upload: interrupted by SIGINT\n");
}

}  // namespace
