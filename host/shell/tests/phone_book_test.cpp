#include <gtest/gtest.h>

#include "host_settings.h"
#include "phone_book.h"

using namespace vantrel;

TEST(HostDialupPhoneBook, EntryTextsAreThirtyColumnsOfNameThenTheNumber) {
    const std::string name35 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678";
    EXPECT_EQ(storedPhoneEntry("Depot", "5551234"),
              "Depot                         5551234                       ");
    EXPECT_EQ(storedPhoneEntry(name35, "1"), name35.substr(0, 30) + "1" + std::string(29, ' '));
    EXPECT_EQ(typedPhoneEntry("Depot", "5551234"), "Depot                         5551234");
    EXPECT_EQ(typedPhoneEntry(name35, "1"), name35.substr(0, 30) + "1");

    const std::string entry = typedPhoneEntry("Depot", "5551234");
    EXPECT_TRUE(phoneEntryHasNumber(entry));
    EXPECT_EQ(phoneEntryName(entry), "Depot" + std::string(25, ' '));
    EXPECT_EQ(phoneEntryNumber(entry), "5551234");
    // Reading back stops at column 60.
    const std::string longEntry = typedPhoneEntry("X", std::string(40, '7'));
    EXPECT_EQ(phoneEntryNumber(longEntry), std::string(30, '7'));
    EXPECT_FALSE(phoneEntryHasNumber(std::string(30, 'N')));
    EXPECT_EQ(phoneEntryNumber(std::string(30, 'N')), "");
    EXPECT_EQ(phoneEntryName("Bob"), "Bob");
}

TEST(HostDialupPhoneBook, SlotsWithoutANumberAreNotListedAndVanishOnTheNextSave) {
    HostSettings s;
    s.Modem_Phone_name[0] = "Nobody";  // a name without a number
    s.Modem_Phone_name[2] = "Depot";
    s.Modem_Phone_no[2] = "5551234";
    s.Modem_Phone_no[99] = "42";
    const auto entries = phoneBookEntries(s);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], storedPhoneEntry("Depot", "5551234"));
    EXPECT_EQ(entries[1], storedPhoneEntry("", "42"));

    storePhoneBookEntries(entries, s);
    EXPECT_EQ(s.Modem_Phone_name[0], "Depot");  // compacted, trailing blanks not stored
    EXPECT_EQ(s.Modem_Phone_no[0], "5551234");
    EXPECT_EQ(s.Modem_Phone_name[1], "");
    EXPECT_EQ(s.Modem_Phone_no[1], "42");
    for (int i = 2; i < kPhoneBookEntries; ++i) {
        EXPECT_TRUE(s.Modem_Phone_name[i].empty() && s.Modem_Phone_no[i].empty()) << i;
    }
}

TEST(HostDialupPhoneBook, EntriesInListOrderFillTheSlotsAndShortOnesEmptyThem) {
    HostSettings s;
    s.Modem_Phone_name[5] = "Old";
    s.Modem_Phone_no[5] = "1";
    std::vector<std::string> entries = {typedPhoneEntry("Zed", "9"), std::string(30, 'x'),
                                        typedPhoneEntry("Amy", " 12 ")};
    storePhoneBookEntries(entries, s);
    EXPECT_EQ(s.Modem_Phone_name[0], "Zed");
    EXPECT_EQ(s.Modem_Phone_no[0], "9");
    EXPECT_EQ(s.Modem_Phone_name[1], "");  // 30 characters hold no number
    EXPECT_EQ(s.Modem_Phone_no[1], "");
    EXPECT_EQ(s.Modem_Phone_no[2], " 12");
    EXPECT_EQ(s.Modem_Phone_no[5], "");

    // More than the book holds: the first hundred are kept.
    entries.assign(120, typedPhoneEntry("N", "5"));
    storePhoneBookEntries(entries, s);
    EXPECT_EQ(phoneBookEntries(s).size(), 100u);
}
