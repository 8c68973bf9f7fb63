// Transfers that fail, are cancelled or are used out of order: what the terminal is sent, the
// result, and the local file left behind.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "transfer_fixture.h"

using namespace linktest;

namespace {

const Bytes kEot = {0x04};
const Bytes kNak = {0x15};

std::array<char, VANTLINK_LOCAL_PATH> path_buffer(const std::string& path) {
    std::array<char, VANTLINK_LOCAL_PATH> buffer{};
    std::strncpy(buffer.data(), path.c_str(), buffer.size() - 1);
    return buffer;
}

size_t files_in(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

// Makes a local file read part-way fail: the descriptor now reads memory address 0.
void break_reads_of(int fd) {
    const int broken = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(broken, 0);
    ASSERT_EQ(::dup2(broken, fd), fd);
    ::close(broken);
}

}  // namespace

class LinkTransferFailure : public LinkTransfer {
protected:
    // A terminal that sends one block of its file, then answers `then` to the next request.
    void serve_one_block_then(const Bytes& then) {
        auto blocks = std::make_shared<int>(0);
        serve_with([then, blocks](const Request& r) -> Bytes {
            if (r.letter != 'Y') return kAck;
            return (*blocks)++ == 0 ? data_answer('Y', "partial") : then;
        });
    }
};

TEST_F(LinkTransferFailure, FailedUploadLeavesTheLocalFileAsItWas) {
    const std::string kept = dir_.file("FILE.DAT");
    for (int32_t mode : {UPLOAD_SAVE_OVERWRITE, UPLOAD_SAVE_APPEND, UPLOAD_SAVE_NEW}) {
        write_file(kept, "last good copy");
        HM_set_upload_file_save_mode(mode);
        serve_one_block_then(kEot);
        auto local = path_buffer(kept);
        EXPECT_EQ(HM_upload(kPort, 'A', "FILE.DAT", local.data()), RC_NOT_EXIST) << mode;
        EXPECT_EQ(letters_of(requests()), "UYY") << mode;
        EXPECT_EQ(read_file(kept), "last good copy") << mode;
        EXPECT_EQ(files_in(dir_.path()), 1u) << "nothing left beside it, mode " << mode;
    }
    // A file the failed upload created goes again.
    HM_set_upload_file_save_mode(UPLOAD_SAVE_OVERWRITE);
    serve_one_block_then(kEot);
    auto fresh = path_buffer(dir_.file("FRESH.DAT"));
    EXPECT_EQ(HM_upload(kPort, 'A', "FRESH.DAT", fresh.data()), RC_NOT_EXIST);
    requests();
    EXPECT_FALSE(std::filesystem::exists(dir_.file("FRESH.DAT")));
}

TEST_F(LinkTransferFailure, HeldLocalFileIsNeitherEmptiedNorShared) {
    const std::string held = dir_.file("HELD.DAT");
    write_file(held, "first upload's data");
    const int other = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    for (int32_t mode : {UPLOAD_SAVE_OVERWRITE, UPLOAD_SAVE_APPEND}) {
        HM_set_upload_file_save_mode(mode);
        serve_with([](const Request&) { return kAck; });
        auto local = path_buffer(held);
        EXPECT_EQ(HM_upload(kPort, 'A', "HELD.DAT", local.data()), RC_FILE_OPEN_ERROR) << mode;
        requests();
        EXPECT_EQ(read_file(held), "first upload's data") << mode;
    }
    ::close(other);
}

TEST_F(LinkTransferFailure, WriteFailureGives52AfterTheSleepStepAndKeepsTheOldCopy) {
    const std::string kept = dir_.file("BIG.DAT");
    write_file(kept, "old");
    HM_set_power_saving_status(1);
    serve_with(
        [](const Request& r) {
            return r.letter == 'Y' ? data_answer('Y', std::string(100, 'b')) : kAck;
        },
        1500);
    // Files may grow to 50 bytes only: the block's write fails part-way.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 50;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    auto local = path_buffer(kept);
    const int32_t rc = HM_upload(kPort, 'A', "BIG.DAT", local.data());
    setrlimit(RLIMIT_FSIZE, &saved);
    (void)std::signal(SIGXFSZ, old_handler);  // restores what it replaced
    EXPECT_EQ(rc, RC_FILE_OPEN_ERROR);
    EXPECT_EQ(letters_of(requests()), "7UY8");
    EXPECT_EQ(read_file(kept), "old");
    EXPECT_EQ(files_in(dir_.path()), 1u);
}

// The PC ends an upload the terminal still sends, in every form: past the bound (lowered
// here from 64 MiB), or cancelled while the terminal is slow to answer the second block
// request. The terminal is told to stop; the local file stays as it was.
TEST_F(LinkTransferFailure, UploadEndedByThePcTellsTheTerminalAndKeepsTheOldCopy) {
    const std::string kept = dir_.file("LONG.DAT");
    for (int run = 0; run < 6; ++run) {
        const bool cancel = run >= 3;
        vantlink::state().transfer.upload_limit = cancel ? vantlink::kUploadLimit : 10;
        write_file(kept, "old");
        auto blocks = std::make_shared<int>(0);
        serve_with([cancel, blocks](const Request& r) -> Bytes {
            if (r.letter != 'Y') return kAck;
            if (++*blocks == 2 && cancel) return HM_set_cancel(1), Bytes{};
            return data_answer('Y', "7 bytes");
        });
        auto local = path_buffer(kept);
        int32_t rc = run % 3 == 0   ? HM_upload(kPort, 'A', "LONG.DAT", local.data())
                     : run % 3 == 1 ? HM_upload1(kPort, 'A', "LONG.DAT", local.data())
                                    : HM_upload11(kPort, 'A', "LONG.DAT");
        std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
        for (int32_t n = 0; rc == RC_SUCCESS || rc == RC_MORE;)
            rc = run % 3 == 1 ? HM_upload2(&n, &n) : HM_upload22(block.data(), &n);
        HM_set_cancel(0);
        EXPECT_EQ(rc, cancel ? RC_TIME_OUT : RC_FILE_OPEN_ERROR) << run;
        EXPECT_EQ(letters_of(requests()), "UYYy") << run;
        EXPECT_EQ(read_file(kept), "old") << run;
        EXPECT_EQ(files_in(dir_.path()), 1u) << run;
    }
}

// A signal handler's cancel ends a wait however long it was set to be (the ESC delay after an
// acknowledged warm start), and later calls find the line silent until it is cleared.
TEST_F(LinkTransferFailure, CancelFromASignalEndsTheWaitAtOnce) {
    struct sigaction action {
    }, saved{};
    action.sa_handler = [](int) { HM_set_cancel(1); };
    sigaction(SIGALRM, &action, &saved);
    HM_set_ESC_delay(INT32_MAX);
    serve_with([](const Request&) { return kAck; });
    ualarm(200000, 0);
    const int64_t start = now_ms();
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_TIME_OUT);
    EXPECT_LT(now_ms() - start, 1000);
    HM_set_cancel(0);
    sigaction(SIGALRM, &saved, nullptr);
    EXPECT_EQ(letters_of(requests()), "AA") << "bytes are still written";
}

TEST_F(LinkTransferFailure, NewUploadGivesUpAnUnfinishedOneAndItsLock) {
    const std::string target = dir_.file("TWICE.DAT");
    auto uploads = std::make_shared<int>(0);
    auto asked = std::make_shared<int>(0);
    serve_with([uploads, asked](const Request& r) -> Bytes {
        if (r.letter == 'U') {
            ++*uploads;
            *asked = 0;
            return kAck;
        }
        if ((*asked)++ > 0) return data_answer('Z', "");
        return data_answer('Y', *uploads == 1 ? "abandoned" : "second");
    });
    auto local = path_buffer(target);
    int32_t bytes = 0, packets = 0;
    ASSERT_EQ(HM_upload1(kPort, 'A', "TWICE.DAT", local.data()), RC_SUCCESS);
    ASSERT_EQ(HM_upload2(&bytes, &packets), RC_MORE);
    EXPECT_EQ(HM_upload(kPort, 'A', "TWICE.DAT", local.data()), RC_SUCCESS);
    EXPECT_EQ(letters_of(requests()), "UYUYY");
    EXPECT_EQ(read_file(target), "second");
    EXPECT_EQ(HM_upload2(&bytes, &packets), RC_NO_TRANSFER);
}

TEST_F(LinkTransferFailure, OnlyTheEndAnswerCompletesAFile) {
    const std::string target = dir_.file("CUT.DAT");
    const Bytes kOneByteAnswer = answer_frame({0x1B});
    for (const Bytes& odd : {data_answer('X', "??"), kOneByteAnswer}) {
        serve_with([odd](const Request& r) { return r.letter == 'Y' ? odd : kAck; });
        auto local = path_buffer(target);
        int32_t bytes = 0, packets = 0, length = 0;
        ASSERT_EQ(HM_upload1(kPort, 'A', "CUT.DAT", local.data()), RC_SUCCESS);
        EXPECT_EQ(HM_upload2(&bytes, &packets), RC_UNKNOWN_RESPONSE);
        std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
        ASSERT_EQ(HM_upload11(kPort, 'A', "CUT.DAT"), RC_SUCCESS);
        EXPECT_EQ(HM_upload22(block.data(), &length), RC_UNKNOWN_RESPONSE);
        requests();
        EXPECT_FALSE(std::filesystem::exists(target)) << "a cut file is not kept";
    }
}

TEST_F(LinkTransferFailure, WholeUploadGivesUpAfterSixteenNaksOrOddAnswersInARow) {
    HM_set_NAK_delay(0);
    struct Case {
        Bytes answer;
        size_t asks;  // a NAK outcome is ten sends of the request
        int32_t result;
    };
    for (const Case& c : {Case{kNak, std::size_t{16} * 10, RC_HOST_NAK},
                          Case{data_answer('X', "?"), 16, RC_UNKNOWN_RESPONSE}}) {
        serve_with([c](const Request& r) { return r.letter == 'Y' ? c.answer : kAck; });
        auto local = path_buffer(dir_.file("NAKS.DAT"));
        EXPECT_EQ(HM_upload(kPort, 'A', "NAKS.DAT", local.data()), c.result);
        EXPECT_EQ(letters_of(requests()), "U" + std::string(c.asks, 'Y'));
    }
}

TEST_F(LinkTransferFailure, DownloadReadErrorPartWayCancelsWith52) {
    const std::string local = dir_.file("SRC.BIN");
    write_file(local, std::string(250, 's'));
    serve_with([](const Request&) { return kAck; });
    int32_t size = 0, bytes = 0, packets = 0;
    ASSERT_EQ(HM_download1(kPort, 'A', local.c_str(), "SRC.BIN", &size), RC_SUCCESS);
    ASSERT_EQ(HM_download2(&bytes, &packets), RC_MORE);
    break_reads_of(vantlink::state().transfer.download_fd);
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_FILE_OPEN_ERROR);
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(letters_of(requests()), "LYz") << "cancelled, never ended as complete";
}

TEST_F(LinkTransferFailure, CancelsCloseTheirTransferAndKeepNothingCut) {
    const std::string kept = dir_.file("KEPT.DAT");
    write_file(kept, "kept");
    serve_with([](const Request& r) { return r.letter == 'Y' ? data_answer('Y', "new") : kAck; });
    auto local = path_buffer(kept);
    int32_t size = 0, bytes = 0, packets = 0;
    ASSERT_EQ(HM_upload1(kPort, 'A', "KEPT.DAT", local.data()), RC_SUCCESS);
    ASSERT_EQ(HM_upload2(&bytes, &packets), RC_MORE);
    EXPECT_EQ(HM_cancel_upload(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_upload2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(read_file(kept), "kept");
    ASSERT_EQ(HM_download1(kPort, 'A', kept.c_str(), "KEPT.DAT", &size), RC_SUCCESS);
    EXPECT_EQ(HM_cancel_download(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(letters_of(requests()), "UYyLz");
}

TEST_F(LinkTransferFailure, StepsOfTheOtherFormAndBadLengthsAreRefused) {
    const std::string local = dir_.file("FORM.DAT");
    write_file(local, "x");
    serve_with([](const Request&) { return kAck; });
    auto path = path_buffer(dir_.file("UP.DAT"));
    std::array<unsigned char, VANTLINK_UPLOAD_BLOCK> block{};
    int32_t size = 0, bytes = 0, packets = 0, length = 0;
    ASSERT_EQ(HM_upload1(kPort, 'A', "UP.DAT", path.data()), RC_SUCCESS);
    EXPECT_EQ(HM_upload22(block.data(), &length), RC_NO_TRANSFER);
    ASSERT_EQ(HM_upload11(kPort, 'A', "UP.DAT"), RC_SUCCESS);
    EXPECT_EQ(HM_upload2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("UP.DAT"))) << "the unfinished upload's file";
    ASSERT_EQ(HM_download1(kPort, 'A', local.c_str(), "D", &size), RC_SUCCESS);
    EXPECT_EQ(HM_download22(block.data(), 1), RC_NO_TRANSFER);
    ASSERT_EQ(HM_download11(kPort, 'A', "D"), RC_SUCCESS);
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(HM_download22(block.data(), -1), RC_ILLEGAL_COMMAND);
    EXPECT_EQ(HM_download22(nullptr, 0), RC_SUCCESS);
    EXPECT_EQ(letters_of(requests()), "UULLZ");
}

TEST_F(LinkTransferFailure, NoFreeNameGives51WithNothingSentOrRecorded) {
    serve_with([](const Request&) { return kEot; });
    auto first = path_buffer(dir_.file("A.DAT"));
    EXPECT_EQ(HM_upload(kPort, 'A', "A.DAT", first.data()), RC_NOT_EXIST);
    const int32_t recorded = HM_get_return_string_length(0);
    EXPECT_EQ(recorded, static_cast<int32_t>(std::strlen(first.data())));
    EXPECT_EQ(letters_of(requests()), "U");

    HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
    write_file(dir_.file(".ext"), "");  // no base name character to change
    serve_with([](const Request&) { return kAck; });
    auto nameless = path_buffer(dir_.file(".ext"));
    EXPECT_EQ(HM_upload(kPort, 'A', ".ext", nameless.data()), RC_NAME_NOT_CHANGEABLE);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(HM_get_return_string_length(0), recorded);
}

class LinkTesterFailure : public LinkFixture {};

TEST_F(LinkTesterFailure, ReadErrorSendsNoEndOfData) {
    HM_set_Tester_delay(5);
    std::vector<Bytes> frames;
    peer().run([&frames](PtyPeer& p) {
        for (Bytes frame; !(frame = p.read_request(300)).empty();) frames.push_back(frame);
    });
    EXPECT_EQ(HM_Tester_Downloading(kPort, "/proc/self/mem"), RC_FILE_OPEN_ERROR);
    peer().join();
    HM_set_Tester_delay(1000);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Bytes{0x02, 0x1B, 0x79, 0x41, 0x4B, 0x42, 0xDA}));
}
