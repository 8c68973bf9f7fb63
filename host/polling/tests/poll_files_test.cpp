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

TEST(HostPollingTokenFile, TakeAndGiveBackRewriteTheFirstElevenBytes) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    writeFile(path, "Available  \r\nother program's notes");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Taken);
    EXPECT_EQ(readFile(path), "Unavailable\r\nother program's notes");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Busy);  // held: not taken twice
    EXPECT_TRUE(tryGiveBackToken(path));
    EXPECT_EQ(readFile(path), "Available  \r\nother program's notes");
}

TEST(HostPollingTokenFile, OnlyTheFirstByteDecidesAndTheFileIsNeverCreated) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::CannotOpen);
    EXPECT_FALSE(tryGiveBackToken(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    writeFile(path, "A");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Taken);
    writeFile(path, "");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Busy);
    writeFile(path, "available  ");
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Busy);
}

TEST(HostPollingTokenFile, FileHeldByTheOtherProgramCannotBeOpened) {
    TempFolder folder;
    const std::string path = folder.file("token.txt");
    writeFile(path, "Available  ");
    const int other = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::CannotOpen);
    EXPECT_FALSE(tryGiveBackToken(path));
    ::close(other);
    EXPECT_EQ(tryTakeToken(path), TokenAttempt::Taken);
}

}  // namespace
