// Terminal commands as the host sees them: answers, status bytes, texts and the file store.
#include <gtest/gtest.h>

#include "termsim_process.h"

namespace termsim_test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t STX = 0x02, ETX = 0x03, EOT = 0x04, ACK = 0x06;

std::string raw(std::initializer_list<std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string as_text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A terminal with its store in a known folder.
class TermsimStore : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = fs::temp_directory_path() /
                 ("termsim-store-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(store_);
        fs::create_directories(store_ / "ram");
        fs::create_directories(store_ / "rom");
    }
    void TearDown() override { fs::remove_all(store_); }

    void put(const std::string& area, const std::string& name, const std::string& content) {
        write_text_file(store_ / area / name, content);
    }
    std::string terminal(const std::string& extra = "") const {
        return "A,store=" + store_.string() + extra;
    }

    fs::path store_;
};

TEST(TermsimInquiry, AnswersIdentityFirmwareAndRunningProgram) {
    TermsimProcess sim(
        {"--terminal", "A", "--terminal", "B,kind=1,firmware=V9.9,program=SCAN.EXE"});
    // No running program: status byte 1, travelling encoded as 5C 81; check 0x45.
    EXPECT_EQ(sim.command('I', "", 'A'), (Bytes{STX, 0x1B, 0x49, 0x5C, 0x81, 0x44, 0x45, ETX}));
    EXPECT_EQ(answer_body(sim.command('I', "", 'B')), "SCAN.EXE");
    EXPECT_EQ(answer_body(sim.command('v', "", 'B')), "V9.9");
    // The host reads the kind from the id: fourth character 5 is kind 0, 8 is kind 1.
    EXPECT_EQ(answer_body(sim.command('R', "", 'A')).substr(3, 1), "5");
    EXPECT_EQ(answer_body(sim.command('R', "", 'B')).substr(3, 1), "8");
    // With one character, R is the KD24 trigger: status 0.
    EXPECT_EQ(answer_body(sim.command('R', "3", 'A')), raw({0}));
}

TEST(TermsimInquiry, MemorySizesUseTheDigitLayoutsTheHostReads) {
    TermsimProcess sim({"--terminal", "A,ram=640,exec=128,flash=2048", "--terminal",
                        "B,kind=3,ram=512,exec=100,ems=1024"});
    // Eleven bytes: lead, letter, three three-digit numbers.
    EXPECT_EQ(answer_body(sim.command('G', "", 'A')), "640128512");
    // Nineteen bytes with EMS.
    EXPECT_EQ(answer_body(sim.command('G', "", 'B')), "51210041210241024");
    EXPECT_EQ(answer_body(sim.command('G', "/ROM", 'A')), "20482048");
}

TEST_F(TermsimStore, DirectoryListsRamAndRomInParts) {
    put("ram", "B.DAT", "1");
    put("ram", "A.EXE", "1");
    put("rom", "SYS.EXE", "1");
    for (int i = 0; i < 30; ++i) put("rom", "LONGNAME" + std::to_string(10 + i) + ".TXT", "x");
    TermsimProcess sim({"--terminal", terminal()});
    EXPECT_EQ(answer_body(sim.command('D', "", 'A')), "A.EXE,B.DAT");

    std::string listing;
    std::string part = answer_body(sim.command('D', "/ROM", 'A'));
    // Unacknowledged, the same part comes again.
    EXPECT_EQ(answer_body(sim.command('D', "/ROM", 'A')), part);
    int parts = 1;
    while (!part.empty() && part.back() == '\\') {
        sim.write({ACK});
        listing += part.substr(0, part.size() - 1) + ",";
        part = answer_body(sim.command('D', "/ROM", 'A'));
        ++parts;
        ASSERT_LT(parts, 10);
    }
    sim.write({ACK});
    listing += part;
    EXPECT_GE(parts, 2);
    EXPECT_EQ(listing.substr(0, 25), "LONGNAME10.TXT,LONGNAME11");
    EXPECT_NE(listing.find(",SYS.EXE"), std::string::npos);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), ','), 30);
}

TEST_F(TermsimStore, UploadSendsBlocksThenZ) {
    put("ram", "F.DAT", "abc");
    std::string big;
    for (int i = 0; i < 700; ++i) big += static_cast<char>(i % 256);
    put("rom", "BIG.BIN", big);
    TermsimProcess sim({"--terminal", terminal()});
    EXPECT_EQ(sim.command('U', "NOPE.DAT", 'A'), (Bytes{EOT}));
    EXPECT_EQ(sim.command('U', "F.DAT", 'A'), (Bytes{ACK}));
    const Bytes block{STX, 0x1B, 0x59, 0x61, 0x62, 0x63, 0x49, 0x4F, ETX};
    EXPECT_EQ(sim.command('Y', "", 'A'), block);
    EXPECT_EQ(sim.command('Y', "", 'A'), block);  // not acknowledged: the same block again
    sim.write({ACK});
    // End of file: answer letter Z, check (0x1B + 0x5A + 2) = 0x77.
    EXPECT_EQ(sim.command('Y', "", 'A'), (Bytes{STX, 0x1B, 0x5A, 0x47, 0x47, ETX}));
    sim.write({ACK});

    EXPECT_EQ(sim.command('U', "BIG.BIN/ROM", 'A'), (Bytes{ACK}));
    std::string received;
    for (int blocks = 0; blocks < 20; ++blocks) {
        const Bytes answer = sim.command('Y', "", 'A');
        const Bytes decoded = decoded_payload(answer);
        ASSERT_GE(decoded.size(), 2u);
        ASSERT_LE(answer.size(), 256u + 2u);
        sim.write({ACK});
        if (decoded[1] == 'Z') break;
        ASSERT_EQ(decoded[1], 'Y');
        received.append(decoded.begin() + 2, decoded.end());
    }
    EXPECT_EQ(received, big);
}

TEST_F(TermsimStore, DownloadStoresDecodedBlocks) {
    TermsimProcess sim({"--terminal", terminal()});
    EXPECT_EQ(sim.command('L', "NEW.DAT", 'A'), (Bytes{ACK}));
    // The byte 0x02 travels as 5C 82.
    EXPECT_EQ(sim.command('Y', raw({'h', 'i', 0x5C, 0x82}), 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('Y', as_text(encoded({0xFF, 0x5C, 0xDC})), 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('Z', "", 'A'), (Bytes{ACK}));
    EXPECT_EQ(read_text_file(store_ / "ram" / "NEW.DAT"), raw({'h', 'i', 0x02, 0xFF, 0x5C, 0xDC}));

    EXPECT_EQ(sim.command('L', "FW.BIN/ROM", 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('Z', "", 'A'), (Bytes{ACK}));
    EXPECT_TRUE(fs::exists(store_ / "rom" / "FW.BIN"));

    // A cancelled download leaves nothing behind.
    EXPECT_EQ(sim.command('L', "GONE.DAT", 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('Y', "xyz", 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('z', "", 'A'), (Bytes{ACK}));
    EXPECT_EQ(sim.command('Z', "", 'A'), (Bytes{ACK}));
    EXPECT_FALSE(fs::exists(store_ / "ram" / "GONE.DAT"));
}

TEST_F(TermsimStore, NamesThatWouldLeaveTheStoreAreRefused) {
    TermsimProcess sim({"--terminal", terminal()});
    EXPECT_EQ(sim.command('L', "../escape.dat", 'A'), (Bytes{EOT}));
    EXPECT_EQ(sim.command('U', "../../etc/passwd", 'A'), (Bytes{EOT}));
    EXPECT_EQ(answer_body(sim.command('E', "../ram", 'A')), raw({2}));
    EXPECT_FALSE(fs::exists(store_ / "escape.dat"));
    EXPECT_TRUE(fs::exists(store_ / "ram"));
}

TEST_F(TermsimStore, ProgramAndFileCommandsAnswerTheirStatus) {
    put("ram", "PROG.EXE", "12345");
    put("rom", "BOOT.EXE", "1");
    TermsimProcess sim({"--terminal", terminal()});
    EXPECT_EQ(answer_body(sim.command('X', "PROG", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('I', "", 'A')), "PROG.EXE");
    EXPECT_EQ(answer_body(sim.command('X', "BOOT/ROM", 'A')), raw({2}));
    EXPECT_EQ(answer_body(sim.command('X', "NONE", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('J', "PROG.EXE", 'A')), raw({0}) + "5");
    EXPECT_EQ(answer_body(sim.command('J', "BOOT.EXE", 'A')), raw({2}) + "1");
    EXPECT_EQ(answer_body(sim.command('J', "NONE.EXE", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('O', "BOOT", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('O', "NONE", 'A')), raw({1}));
    // The executable area can change only while the RAM disk is empty.
    EXPECT_EQ(answer_body(sim.command('F', "100", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('E', "prog.exe", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('E', "PROG.EXE", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('F', "100", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('F', "999", 'A')), raw({2}));
    EXPECT_EQ(sim.command('F', "", 'A'), (Bytes{ACK}));  // UPS off
}

TEST(TermsimSettings, TablesClockAndOptionsAnswerTheirStatus) {
    TermsimProcess probe({"--terminal", "Y"});
    const auto trace = probe.folder() / "trace.txt";
    TermsimProcess sim({"--trace", trace.string(), "--terminal", "A"});
    EXPECT_EQ(answer_body(sim.command('M', "20261208103000", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('M', "20260230103000", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('B', "NNFNN", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('C', "718NMA20", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('V', "PBNNN9", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('T', "", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('P', "secret", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('f', "1", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('f', "7", 'A')), raw({1}));
    EXPECT_EQ(answer_body(sim.command('K', "2", 'A')), raw({0}));
    EXPECT_EQ(sim.command('K', raw({0x03}), 'A'), (Bytes{ACK}));  // key map
    EXPECT_EQ(sim.command('N', "5", 'A'), (Bytes{ACK}));
    EXPECT_EQ(answer_body(sim.command('Q', "", 'A')), raw({0}));
    EXPECT_EQ(answer_body(sim.command('9', "echo me", 'A')), "echo me");
    EXPECT_EQ(sim.command('0', raw({'h', 0x5C, 0x8A}), 'A'), (Bytes{ACK}));
    sim.stop();
    const std::string text = read_text_file(trace);
    EXPECT_NE(text.find("# A: clock set to 2026-12-08 10:30:00"), std::string::npos) << text;
    EXPECT_NE(text.find("# A: bar-code table stored: NNFNN"), std::string::npos) << text;
    EXPECT_NE(text.find("# A: communication table stored: 718NMA20"), std::string::npos);
    EXPECT_NE(text.find("# A: data received: h<0A>"), std::string::npos) << text;
}

TEST(TermsimSettings, AddressChangeAnswersUnderTheOldAddress) {
    TermsimProcess sim({"--terminal", "A,upload-mode=1", "--terminal", "B"});
    EXPECT_EQ(answer_body(sim.command('5', "B", 'A')), raw({1}));  // taken
    EXPECT_EQ(answer_body(sim.command('5', "D", 'A')), raw({0}));
    EXPECT_TRUE(sim.exchange(poll_request('A'), 1, 300ms).empty());
    EXPECT_EQ(sim.exchange(poll_request('D'), 1), (Bytes{EOT}));
    EXPECT_EQ(answer_body(sim.command('Q', "", 'D')), raw({1}));
}

TEST(TermsimTester, StoresTheFileOfUnansweredFramesToZ) {
    TermsimProcess probe({"--terminal", "Y"});
    const auto tester_store = probe.folder() / "tester";
    TermsimProcess sim({"--terminal", "A", "--terminal", "Z,store=" + tester_store.string()});
    // An earlier transfer that lost its end frame.
    EXPECT_EQ(sim.command('l', "OLD.TXT", 'A'), (Bytes{ACK}));
    sim.write({0x02, 0x1B, 0x79, 0x41, 0x4B, 0x42, 0xDA});
    sim.write(command_request('y', "stale", 'Z'));
    EXPECT_EQ(sim.command('l', "C:\\DATA\\PRICES.TXT", 'A'), (Bytes{ACK}));
    // The first block frame is 02 1B 79 41 4B 42 DA, the end frame 02 1B 7A 47 41 DA.
    sim.write({0x02, 0x1B, 0x79, 0x41, 0x4B, 0x42, 0xDA});
    sim.write(command_request('y', as_text(encoded({'p', 0x03, 'q'})), 'Z'));
    sim.write({0x02, 0x1B, 0x7A, 0x47, 0x41, 0xDA});
    EXPECT_TRUE(sim.read_for(200ms).empty());
    EXPECT_EQ(sim.command('Z', "", 'A'), (Bytes{ACK}));
    EXPECT_EQ(read_text_file(tester_store / "ram" / "PRICES.TXT"), raw({'p', 0x03, 'q'}));
}

}  // namespace
}  // namespace termsim_test
