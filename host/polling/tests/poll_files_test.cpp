#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "poll_data_file.h"
#include "temp_folder.h"
#include "token_file.h"

using namespace vantrel;

namespace {

TEST(HostPollingDataFile, RecordIsAddressBlankDataCrLf) {
    EXPECT_EQ(formatPollRecord('B', "4006381333931"), "B 4006381333931\r\n");
    EXPECT_EQ(formatPollRecord('0', ""), "0 \r\n");
}

TEST(HostPollingDataFile, AppendKeepsNewEmptiesAndEachRecordIsOnDiskAtOnce) {
    TempFolder folder;
    const std::string path = folder.file("POLL.DAT");
    writeFile(path, "A old\r\n");
    PollDataFile file(path);
    ASSERT_TRUE(file.open(PollOpenMethod::Append));
    ASSERT_TRUE(file.write("B new\r\n"));
    EXPECT_EQ(readFile(path), "A old\r\nB new\r\n");  // flushed while still open
    file.close();
    ASSERT_TRUE(file.open(PollOpenMethod::New));
    EXPECT_EQ(readFile(path), "");
    file.close();
    std::filesystem::remove(path);
    ASSERT_TRUE(file.open(PollOpenMethod::Append));  // a missing file is created
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(HostPollingDataFile, UnopenableFileFailsAndWritesNothing) {
    TempFolder folder;
    PollDataFile file(folder.file("missing/POLL.DAT"));
    EXPECT_FALSE(file.open(PollOpenMethod::Append));
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.write("A x\r\n"));
}

// The holder writes who it is after the 11 bytes and gives back what followed them.
TEST(HostPollingTokenFile, TakeAndGiveBackRewriteTheFirstElevenBytes) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    writeFile(path, "Available  \r\nother program's notes");
    TokenFile token(path);
    EXPECT_EQ(token.take(), TokenAttempt::Taken);
    EXPECT_EQ(readFile(path), "Unavailable" + holderText(thisProcessAsHolder()));
    TokenFile second(path);
    EXPECT_EQ(second.take(), TokenAttempt::Busy);  // held by a running process: not taken twice
    EXPECT_EQ(second.heldBy(), holderDescription(thisProcessAsHolder()));
    EXPECT_TRUE(token.giveBack());
    EXPECT_EQ(readFile(path), "Available  \r\nother program's notes");
}

// Only a holder of this host, boot and process namespace whose process is gone is taken over;
// a holder text left behind a free token is dropped, not handed on to the next holder.
TEST(HostPollingTokenFile, OnlyAnEndedHolderOfThisHostIsTakenOver) {
    const TokenHolder self = thisProcessAsHolder();
    auto as = [&self](auto change) {
        TokenHolder holder = self;
        change(holder);
        return holderText(holder);
    };
    const std::string pidReused = as([](TokenHolder& h) { ++h.start; });
    const std::pair<std::string, TokenAttempt> cases[] = {
        {"Unavailable" + pidReused, TokenAttempt::TakenOver},
        {"Unavailable" + as([](TokenHolder& h) { h.boot = "x"; }), TokenAttempt::TakenOver},
        {"Unavailable" + holderText(self), TokenAttempt::Busy},
        {"Unavailable" + as([](TokenHolder& h) { h.host += "2"; }), TokenAttempt::Busy},
        {"Unavailable" + as([](TokenHolder& h) { h.pidSpace = "y"; }), TokenAttempt::Busy},
        // A clone of this machine under the same name, running since another boot.
        {"Unavailable" + as([](TokenHolder& h) { h.machine += "2", h.boot = "x"; }),
         TokenAttempt::Busy},
        {"Unavailable held by vantrel host=x pid=oops", TokenAttempt::Busy},
        {"Available  " + pidReused, TokenAttempt::Taken},
    };
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    for (const auto& [before, attempt] : cases) {
        SCOPED_TRACE(before);
        writeFile(path, before);
        TokenFile token(path);
        ASSERT_EQ(token.take(), attempt);
        if (attempt == TokenAttempt::Busy) {
            EXPECT_EQ(readFile(path), before);
            continue;
        }
        EXPECT_TRUE(token.giveBack());
        EXPECT_EQ(readFile(path), "Available  ");
    }
}

TEST(HostPollingTokenFile, OnlyTheFirstByteDecidesAndTheFileIsNeverCreated) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::CannotOpen);
    EXPECT_FALSE(TokenFile(path).giveBack());
    EXPECT_FALSE(std::filesystem::exists(path));
    writeFile(path, "A");
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::Taken);
    writeFile(path, "");
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::Busy);
    writeFile(path, "available  ");
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::Busy);
}

TEST(HostPollingTokenFile, FileHeldByTheOtherProgramCannotBeOpened) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    writeFile(path, "Available  ");
    const int other = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::CannotOpen);
    EXPECT_FALSE(TokenFile(path).giveBack());
    ::close(other);
    EXPECT_EQ(TokenFile(path).take(), TokenAttempt::Taken);
}

}  // namespace
