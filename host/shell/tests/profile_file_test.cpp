#include <gtest/gtest.h>
#include <sys/stat.h>

#include "profile_file.h"
#include "temp_folder.h"

using opscore::ProfileFile;

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
    EXPECT_EQ(readFile(path), "[S]\r\nK=1\r\n");  // a new file ends its lines as on the PC

    writeFile(path, "; keep me\n[S]\nother = x\nk=1\n\n[T]\nZ=9\n");
    ProfileFile file(path);
    file.write("s", "K", "2");    // replaces in place, case-insensitive
    file.write("S", "New", "n");  // appended after the section's last line
    file.write("U", "Key", "v");  // new section at the end
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readFile(path), "; keep me\n[S]\nother = x\nK=2\nNew=n\n\n[T]\nZ=9\n[U]\nKey=v\n");
}

TEST(HostProfileFile, ValuesThatReadingWouldChangeAreWrittenInQuotes) {
    TempFolder folder;
    const auto path = folder.file("a.ini");
    // A quoted value with blanks reads with them: saved as read, it must not lose them.
    writeFile(path, "[S]\nA=\"  spaced  \"\nB='\"x\"'\n");
    {
        ProfileFile file(path);
        EXPECT_EQ(file.read("S", "A", ""), "  spaced  ");
        EXPECT_EQ(file.read("S", "B", ""), "\"x\"");
        file.write("S", "A", file.read("S", "A", ""));
        file.write("S", "B", file.read("S", "B", ""));
        file.write("S", "C", "cut \r");
        file.write("S", "D", "plain \"inner\" text");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(path),
              "[S]\nA=\"  spaced  \"\nB=\"\"x\"\"\nC=\"cut \r\"\nD=plain \"inner\" text\n");
    const ProfileFile again(path);
    EXPECT_EQ(again.read("S", "A", ""), "  spaced  ");
    EXPECT_EQ(again.read("S", "B", ""), "\"x\"");
    EXPECT_EQ(again.read("S", "C", ""), "cut \r");
    EXPECT_EQ(again.read("S", "D", ""), "plain \"inner\" text");
}

TEST(HostProfileFile, GarbageReadsAsMissing) {
    TempFolder folder;
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    writeFile(folder.file("a.ini"), garbage);
    const ProfileFile file(folder.file("a.ini"));
    EXPECT_EQ(file.read("Communication", "Port", "2"), "2");
}

TEST(HostProfileFile, WriteKeepsCrLfLineEnds) {
    TempFolder folder;
    const auto path = folder.file("a.ini");
    writeFile(path, "; made on the PC\r\n[S]\r\nK=1\r\n\r\n[T]\r\nZ=9\r\n");
    ProfileFile file(path);
    file.write("S", "K", "2");
    file.write("U", "New", "n");
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readFile(path),
              "; made on the PC\r\n[S]\r\nK=2\r\n\r\n[T]\r\nZ=9\r\n[U]\r\nNew=n\r\n");
}

TEST(HostProfileFile, OverlongLineOrFileIsRefusedAndNeverWrittenOver) {
    TempFolder folder;
    const auto path = folder.file("a.ini");
    const std::string endless = "[S]\nK=1\n; " + std::string(3 << 20, 'x');  // no line end
    writeFile(path, endless);
    ProfileFile file(path);
    EXPECT_TRUE(file.refused());
    EXPECT_EQ(file.read("S", "K", "none"), "none");
    file.write("S", "K", "2");
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(readFile(path), endless);

    writeFile(path, "[S]\n" + std::string(ProfileFile::kFileMax, '\n'));  // short lines, too many
    EXPECT_TRUE(ProfileFile(path).refused());
    writeFile(path, "[S]\r\nK=" + std::string(ProfileFile::kLineMax - 2, 'v') + "\r\n");
    const ProfileFile longest(path);
    EXPECT_FALSE(longest.refused());
    EXPECT_EQ(longest.read("S", "K", "", ProfileFile::kLineMax).size(), ProfileFile::kLineMax - 2);

    // Nor is anything but a plain file read or replaced, and a FIFO left under the temporary
    // name is not written through: no abort, no wait for a reader or a writer.
    std::filesystem::create_directory(folder.file("dir.ini"));
    ASSERT_EQ(mkfifo(folder.file("fifo.ini").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(folder.file("new.ini.tmp").c_str(), 0600), 0);
    for (const auto& [name, why] :
         {std::pair{"dir.ini", "is a folder"}, {"fifo.ini", "is not a regular file"}}) {
        const ProfileFile refused(folder.file(name));
        EXPECT_EQ(refused.refusal(), why);
        EXPECT_FALSE(refused.commit());
    }
    ProfileFile fresh(folder.file("new.ini"));
    fresh.write("S", "K", "1");
    EXPECT_TRUE(fresh.commit());
    EXPECT_EQ(readFile(folder.file("new.ini")), "[S]\r\nK=1\r\n");
}
