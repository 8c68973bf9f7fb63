#include "kd24_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "fake_host.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

using Strings = std::vector<std::string>;

// Answers per address from codes (0 when none is set); each call recorded as "address record".
class ScriptedKd24Link : public Kd24Link {
public:
    int sendRecord(int port, char address, const std::string& record) override {
        sent.push_back(std::string(1, address) + " " + record);
        lastPort = port;
        const auto code = codes.find(address);
        return code == codes.end() ? RC_SUCCESS : code->second;
    }
    std::map<char, int> codes;
    Strings sent;
    int lastPort = 0;
};

const std::string kGoodFile =
    "FIELD_DELIMETER=44\r\nRECORD_DELIMETER=13\r\nFIELD=2,(CODE/10/A),(QTY/5/B)\r\n";
const std::string kGoodRecord = std::string("\x2C\x0D") + "BCODE    JAQTY     EB";

class HostKd24 : public ::testing::Test {
protected:
    void SetUp() override {
        host.settings().Address = "A";
        host.settings().Port = 3;
        host.settings().CFG_Name = "old.KD24";
        host.file = host.settings();
    }
    std::string write(const std::string& name, const std::string& content) {
        const std::string path = (host.folder.path() / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    void runWith(const std::optional<std::string>& answer) {
        entered = answer;
        command.run();
    }

    SettingsFileHost host;
    FakePrompts prompts;
    ScriptedKd24Link link;
    Strings presets;  // one per opening of the dialog
    std::optional<std::string> entered;
    Kd24Command command{host, link, prompts, [this](const std::string& preset) {
                            presets.push_back(preset);
                            return entered;
                        }};
};

TEST_F(HostKd24, NothingIsSentWithoutAFileToSend) {
    const std::string good = write("good.KD24", kGoodFile);
    // Busy: the dialog does not even open.
    host.setReady(false);
    runWith(good);
    EXPECT_TRUE(presets.empty());
    host.setReady(true);

    runWith(std::nullopt);  // Cancel
    EXPECT_EQ(presets, Strings{"old.KD24"});
    EXPECT_TRUE(prompts.messages.empty());

    const std::string missing = (host.folder.path() / "none.KD24").string();
    runWith(missing);
    const std::string folder = host.folder.path().string();
    runWith(folder);  // a folder of that name is no file
    EXPECT_EQ(prompts.messages, (Strings{missing + " not found", folder + " not found"}));
    EXPECT_EQ(prompts.stopIcons, 0);

    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ(host.settings().CFG_Name, "old.KD24");
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(host.connectAttempts, 0);
}

TEST_F(HostKd24, RefusedFilesSendNothing) {
    std::string ten = "FIELD=0";
    for (int i = 0; i < 10; ++i) ten += ",(F/1/A)";
    const std::string head = "FIELD_DELIMETER=44\nRECORD_DELIMETER=13\n";
    struct Case {
        const char* name;
        std::string content;
        const char* says;  // part of the box's text
    };
    const Case cases[] = {
        {"ten.KD24", head + ten + "\n", "10 fields"},
        {"fd0.KD24", "FIELD_DELIMETER=0\nRECORD_DELIMETER=13\nFIELD=2,(A/1/B)\n",
         "FIELD_DELIMETER"},
        {"rd.KD24", "FIELD_DELIMETER=44\nRECORD_DELIMETER=CR\nFIELD=2,(A/1/B)\n",
         "RECORD_DELIMETER"},
        {"none.KD24", head + "FIELD=2\n", "No setting in configuration file"},
        {"empty.KD24", "", "No setting in configuration file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        const std::string path = write(c.name, c.content);
        runWith(path);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_NE(prompts.messages[0].find(c.says), std::string::npos) << prompts.messages[0];
        // The dialog opens at the file to mend next time.
        EXPECT_EQ(host.file.CFG_Name, path);
    }
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(host.reports.empty());
    EXPECT_EQ(host.connectAttempts, 0);
    EXPECT_EQ(host.state().ready, 1);
}

TEST_F(HostKd24, AnUnreadableFileSendsNothing) {
    const std::string path = write("locked.KD24", kGoodFile);
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (std::ifstream(path)) GTEST_SKIP() << "this user reads files without permission";
    runWith(path);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], path + " cannot be read. Nothing was sent.");
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(HostKd24, EachSelectedTerminalGetsTheRecordAndItsResult) {
    host.settings().Address = "ABCDE";
    host.state().selection[1] = 0;  // B is left out
    link.codes = {{'C', RC_NO_DATA}, {'D', RC_TIME_OUT}, {'E', 5}};
    const std::string path = write("scan.KD24", kGoodFile);
    runWith(path);

    EXPECT_EQ(link.sent, (Strings{"A " + kGoodRecord, "C " + kGoodRecord, "D " + kGoodRecord,
                                  "E " + kGoodRecord}));
    EXPECT_EQ(link.lastPort, 3);
    ASSERT_EQ(host.reports.size(), 3u);  // nothing for the silent C
    const char reported[] = {'A', 'D', 'E'};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(host.reports[i].address, reported[i]);
        EXPECT_EQ(host.reports[i].operation, "Set KD24 configuration table");
        EXPECT_EQ(host.reports[i].detail, kGoodRecord);
    }
    EXPECT_EQ(host.reports[1].code, RC_TIME_OUT);
    EXPECT_EQ(host.reports[2].code, 5);
    const auto& status = host.state().status;
    EXPECT_EQ(status[0], TerminalStatus::Done);
    EXPECT_EQ(status[1], TerminalStatus::Idle);
    EXPECT_EQ(status[2], TerminalStatus::Addressed);
    EXPECT_EQ(status[3], TerminalStatus::TimeOut);
    EXPECT_EQ(status[4], TerminalStatus::Failed);
    EXPECT_EQ(host.state().panelMode, PanelMode::OneShot);
    EXPECT_EQ(host.state().ready, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.file.CFG_Name, path);
    EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
