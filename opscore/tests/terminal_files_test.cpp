// Terminal file names and the per-terminal folders: above all, that an untrusted name never
// places a file outside its terminal's folder.
#include "terminal_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(OpscoreTerminalFiles, TerminalNamesFromPcPathsAndPrograms) {
    using opscore::base_name;
    EXPECT_EQ(base_name("C:\\PROGS\\PROG.EXE"), "PROG.EXE");
    EXPECT_EQ(base_name("sub/dir/F.BIN"), "F.BIN");
    EXPECT_EQ(base_name("A:F.BIN"), "F.BIN");
    EXPECT_EQ(base_name("a\\b/c:d"), "d");
    EXPECT_EQ(base_name("PLAIN.DAT"), "PLAIN.DAT");
    EXPECT_EQ(base_name("dir/"), "");
    EXPECT_EQ(opscore::ems_name(base_name("x\\PROG.EXE")), "C:PROG.EXE");

    EXPECT_EQ(opscore::program_name("PROG.EXE"), "PROG");
    EXPECT_EQ(opscore::program_name("A.B.C"), "A");
    EXPECT_EQ(opscore::program_name("NODOT"), "NODOT");
    EXPECT_EQ(opscore::flash_rom_name(opscore::program_name("PROG.EXE")), "PROG/ROM");

    EXPECT_EQ(opscore::local_name_of("C:F.DAT"), "F.DAT");
    EXPECT_EQ(opscore::local_name_of("c:f.dat/rom"), "f.dat");
    EXPECT_EQ(opscore::local_name_of("a/b"), "a/b");  // left for the safety check to refuse
    EXPECT_EQ(opscore::local_name_of("D:F"), "D:F");
}

TEST(OpscoreTerminalFiles, FoldersAndPathsOfUploadedFiles) {
    EXPECT_EQ(opscore::terminal_folder(".", 'A'), "./ADDR_A");
    EXPECT_EQ(opscore::terminal_folder("/work/", '3'), "/work/ADDR_3");
    EXPECT_EQ(opscore::terminal_folder("/", 'B'), "/ADDR_B");
    EXPECT_EQ(opscore::terminal_folder("", 'B'), "./ADDR_B");  // not the root folder
    EXPECT_EQ(opscore::uploaded_file_path("/work", 'A', "F.DAT"), "/work/ADDR_A/F.DAT");
    EXPECT_EQ(opscore::uploaded_file_path(".", 'A', "...x"), "./ADDR_A/...x");
    EXPECT_EQ(opscore::uploaded_file_path(".", 'A', "C:F"), "./ADDR_A/C:F");
}

TEST(OpscoreTerminalFiles, UnsafeNamesAndAddressesAreNeverJoinedUnderTheFolder) {
    for (const std::string& name :
         {""s, "."s, ".."s, "../x"s, "a/b"s, "/etc/passwd"s, "..\\x"s, "a\\b"s, "a\0b"s, "x/.."s}) {
        EXPECT_FALSE(opscore::is_safe_terminal_file_name(name)) << name;
        EXPECT_FALSE(opscore::uploaded_file_path("/work", 'A', name)) << name;
    }
    for (const char address : {'/', '\\', '\0'}) {
        EXPECT_FALSE(opscore::terminal_folder("/work", address)) << int(address);
        EXPECT_FALSE(opscore::uploaded_file_path("/work", address, "F.DAT")) << int(address);
    }
}

}  // namespace
