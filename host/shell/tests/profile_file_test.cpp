#include <gtest/gtest.h>

#include "profile_file.h"
#include "temp_folder.h"

using vantrel::ProfileFile;

TEST(HostProfileFile, ReadsIgnoringCaseAndTrimsValues) {
    TempFolder folder;
    writeFile(folder.file("a.ini"),
              "; comment\r\n[Communication]\r\n  port =  3  \r\nAddress=\"AB\"\r\n[poll]\nX=1\n");
    const ProfileFile file(folder.file("a.ini"));
    EXPECT_EQ(file.read("COMMUNICATION", "PORT", "2"), "3");
    EXPECT_EQ(file.read("Communication", "Address", ""), "AB");
    EXPECT_EQ(file.read("POLL", "x", "0"), "1");
    EXPECT_EQ(file.read("POLL", "Port", "default"), "default");  // keys belong to one section
    EXPECT_EQ(file.read("Missing", "Port", "d"), "d");
}

TEST(HostProfileFile, ReadCutsLongValues) {
    TempFolder folder;
    writeFile(folder.file("a.ini"), "[S]\nK=" + std::string(500, 'x') + "\n");
    const ProfileFile file(folder.file("a.ini"));
    EXPECT_EQ(file.read("S", "K", "", 19).size(), 19u);
}

TEST(HostProfileFile, WriteKeepsOtherLinesAndCreatesFile) {
    TempFolder folder;
    const auto path = folder.file("a.ini");
    {
        ProfileFile file(path);
        file.write("S", "K", "1");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(path), "[S]\nK=1\n");

    writeFile(path, "; keep me\n[S]\nother = x\nk=1\n\n[T]\nZ=9\n");
    ProfileFile file(path);
    file.write("s", "K", "2");    // replaces in place, case-insensitive
    file.write("S", "New", "n");  // appended after the section's last line
    file.write("U", "Key", "v");  // new section at the end
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readFile(path), "; keep me\n[S]\nother = x\nK=2\nNew=n\n\n[T]\nZ=9\n[U]\nKey=v\n");
}

TEST(HostProfileFile, GarbageReadsAsMissing) {
    TempFolder folder;
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    writeFile(folder.file("a.ini"), garbage);
    const ProfileFile file(folder.file("a.ini"));
    EXPECT_EQ(file.read("Communication", "Port", "2"), "2");
}
