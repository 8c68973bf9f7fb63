#include "inquiry_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "fake_host.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

using Strings = std::vector<std::string>;

// Every inquiry answers per address from the tables below (0 when none is set); calls are
// recorded as "call address".
class ScriptedInquiryLink : public InquiryLink {
public:
    int directory(int port, char address, std::string& listing) override {
        return text("dir", port, address, listing);
    }
    int directoryRom(int port, char address, std::string& listing) override {
        return text("dirrom", port, address, listing);
    }
    int ramSize(int port, char address, RamSizes& sizes) override {
        sizes = ram;
        return result("ram", port, address);
    }
    int flashSize(int port, char address, FlashSizes& sizes) override {
        sizes = flash;
        return result("flash", port, address);
    }
    int runningProgram(int port, char address, std::string& program) override {
        return text("running", port, address, program);
    }
    int fileExist(int port, char address, const std::string& file, std::int32_t& length) override {
        asked = file;
        length = fileLength;
        return result("exist", port, address);
    }
    int firmwareVersion(int port, char address, std::string& version) override {
        return text("firmware", port, address, version);
    }
    int terminalId(int port, char address, std::string& id) override {
        return text("id", port, address, id);
    }
    int uploadMode(int port, char address) override { return result("mode", port, address); }

    std::map<char, int> codes;
    std::map<char, std::string> answers;
    RamSizes ram;
    FlashSizes flash;
    std::int32_t fileLength = 0;
    std::string asked;
    Strings calls;
    int lastPort = 0;

private:
    int result(const std::string& call, int port, char address) {
        calls.push_back(call + " " + address);
        lastPort = port;
        const auto code = codes.find(address);
        return code == codes.end() ? RC_SUCCESS : code->second;
    }
    int text(const std::string& call, int port, char address, std::string& out) {
        // A failure may leave part of an answer behind.
        out = answers.count(address) ? answers[address] : "PART";
        return result(call, port, address);
    }
};

using Command = void (InquiryCommands::*)();

struct Inquiry {
    const char* name;
    Command command;
};

const Inquiry kInquiries[] = {
    {"RAM Size", &InquiryCommands::ramSize},
    {"ROM Size", &InquiryCommands::romSize},
    {"Running Program", &InquiryCommands::runningProgram},
    {"Directory", &InquiryCommands::directory},
    {"Directory (Flash ROM)", &InquiryCommands::directoryRom},
    {"File Exist", &InquiryCommands::fileExist},
    {"Firmware Version", &InquiryCommands::firmwareVersion},
    {"Terminal ID", &InquiryCommands::terminalId},
    {"Upload Mode", &InquiryCommands::uploadMode},
};

class HostInquiries : public ::testing::Test {
protected:
    void SetUp() override {
        host.settings().Address = "A";
        host.settings().Port = 3;
    }
    void run(Command command) { (inquiries.*command)(); }
    TerminalStatus status(int index) { return host.state().status[index]; }

    FakeHost host;
    FakePrompts prompts;
    ScriptedInquiryLink link;
    Strings captions;
    std::optional<std::string> typed = "DATA.TXT";
    InquiryCommands inquiries{host, link, prompts, [this](const std::string& caption) {
                                  captions.push_back(caption);
                                  return typed;
                              }};
};

TEST_F(HostInquiries, SuccessLinesByteForByte) {
    link.ram = {640, 128, 511, 0, 7};  // EMS free without an EMS area is not shown
    link.flash = {2048, 512};
    link.fileLength = 1234;
    link.answers['A'] = "ANSWER 1";
    for (const Inquiry& inquiry : kInquiries) run(inquiry.command);
    link.ram = {1, 2, 3, 1024, 1000};
    inquiries.ramSize();
    EXPECT_EQ(host.reportLines(),
              (Strings{
                  "A|RAM size |Total=640  EXEC=128  Free=511|0",
                  "A|Flash ROM Size | Total=2048Kb  Free=512Kb|0",
                  "A|Check running AP|ANSWER 1|0",
                  "A|Get Directory  |ANSWER 1|0",
                  "A|Get ROM Directory  |ANSWER 1|0",
                  "A|DATA.TXT|File exist and length=1234|0",
                  "A|Version  |ANSWER 1|0",
                  "A|Terminal ID |ANSWER 1|0",
                  "A|Upload mode ||0",
                  "A|RAM size |Total=1  EXEC=2  Free=3  Total EMS=1024  Free EMS=1000|0",
              }));
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(link.lastPort, 3);
    EXPECT_EQ(link.asked, "DATA.TXT");
    EXPECT_EQ(captions, Strings{"Input file name to be check"});
}

TEST_F(HostInquiries, FailuresTimeOutsAndNoData) {
    host.settings().Address = "ABC";
    link.codes = {{'A', RC_TIME_OUT}, {'B', RC_NO_PROGRAM}, {'C', RC_NO_DATA}};
    link.ram = {640, 128, 511, 0, 0};  // out-values of a failure are never shown
    link.flash = {2048, 512};
    link.answers = {{'A', "PARTIAL"}, {'B', "PARTIAL"}};
    for (const Inquiry& inquiry : kInquiries) {
        host.reports.clear();
        run(inquiry.command);
        EXPECT_EQ(status(0), TerminalStatus::TimeOut) << inquiry.name;
        EXPECT_EQ(status(1), TerminalStatus::Failed) << inquiry.name;
        EXPECT_EQ(status(2), TerminalStatus::Addressed) << inquiry.name;  // no data: no report
        ASSERT_EQ(host.reports.size(), 2u) << inquiry.name;
        EXPECT_EQ(host.reports[0].operation, host.reports[1].operation) << inquiry.name;
        EXPECT_EQ(host.reports[0].detail, host.reports[1].detail) << inquiry.name;
    }
    // The failure lines, one per inquiry for B; Upload Mode's 80 is such a failure too.
    host.settings().Address = "B";
    host.reports.clear();
    for (const Inquiry& inquiry : kInquiries) run(inquiry.command);
    link.codes['B'] = RC_UPLOAD_MODE;
    inquiries.uploadMode();
    EXPECT_EQ(host.reportLines(), (Strings{
                                      "B|RAM size ||53",
                                      "B|Flash ROM Size ||53",
                                      "B| ||53",
                                      "B|Get Directory ||53",
                                      "B|Get ROM Directory ||53",
                                      "B|File |DATA.TXT|53",
                                      "B|Version ||53",
                                      "B|Terminal ID ||53",
                                      "B|Upload mode ||53",
                                      "B|Upload mode ||80",
                                  }));
    EXPECT_EQ(status(0), TerminalStatus::Failed);
}

TEST_F(HostInquiries, ListingsReplacedEmptiedOrKept) {
    host.settings().Address = "ABC";
    link.codes = {{'B', RC_TIME_OUT}, {'C', RC_NO_DATA}};
    link.answers = {{'A', "BOOT.EXE,FONT.BIN"}};
    auto& listing = host.state().directory;
    listing.fill("OLD");
    inquiries.directoryRom();
    EXPECT_EQ(link.calls, (Strings{"dirrom A", "dirrom B", "dirrom C"}));
    EXPECT_EQ(listing[0], "BOOT.EXE,FONT.BIN");
    EXPECT_EQ(listing[1], "");  // part of a listing is none
    EXPECT_EQ(listing[2], "OLD");
    // A failed identity answer forgets the listing as well; no data keeps it.
    listing.fill("OLD");
    inquiries.terminalId();
    EXPECT_EQ(listing[0], "OLD");
    EXPECT_EQ(listing[1], "");
    EXPECT_EQ(listing[2], "OLD");
    // The other inquiries leave it alone whatever they return.
    listing.fill("OLD");
    for (const Inquiry& inquiry : kInquiries)
        if (inquiry.command != &InquiryCommands::directory &&
            inquiry.command != &InquiryCommands::directoryRom &&
            inquiry.command != &InquiryCommands::terminalId)
            run(inquiry.command);
    EXPECT_EQ(listing[0], "OLD");
    EXPECT_EQ(listing[1], "OLD");
}

TEST_F(HostInquiries, TerminalIdSetsEachPicturesModelOnlyOnSuccess) {
    host.settings().Address = "ABCDE";
    host.state().kind.fill(static_cast<int>(TerminalType::VS19));
    link.answers = {{'A', "KT08-A1"}, {'B', "VT75"}, {'C', "VT6"}, {'D', "V"}};
    link.codes = {{'E', RC_TIME_OUT}};
    inquiries.terminalId();
    const auto& kind = host.state().kind;
    EXPECT_EQ(kind[0], static_cast<int>(TerminalType::KD35));
    EXPECT_EQ(kind[1], static_cast<int>(TerminalType::KD31_KD32));  // fourth "5" wins
    EXPECT_EQ(kind[2], static_cast<int>(TerminalType::VS15));
    EXPECT_EQ(kind[3], static_cast<int>(TerminalType::KD31_KD32));  // too short to name one
    EXPECT_EQ(kind[4], static_cast<int>(TerminalType::VS19));       // failed: unchanged
    EXPECT_EQ(kind[5], static_cast<int>(TerminalType::VS19));       // not asked
}

TEST_F(HostInquiries, FileInFlashRomIsFoundWithItsOwnResult) {
    host.settings().Address = "AB";
    link.codes = {{'A', RC_FROM_FLASH_ROM}, {'B', RC_NOT_EXIST}};
    link.fileLength = 77;
    inquiries.fileExist();
    EXPECT_EQ(host.reportLines(),
              (Strings{"A|DATA.TXT|File exist and length=77|54", "B|File |DATA.TXT|48"}));
    EXPECT_EQ(status(0), TerminalStatus::Done);
    EXPECT_EQ(status(1), TerminalStatus::Failed);
}

TEST_F(HostInquiries, FileExistAsksFirstAndCancelEndsIt) {
    typed.reset();
    inquiries.fileExist();
    EXPECT_EQ(captions.size(), 1u);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(host.connectAttempts, 0);  // cancelled before the ready check
    // The name is asked before the address list is checked.
    typed = "X";
    host.settings().Address.clear();
    inquiries.fileExist();
    EXPECT_EQ(captions.size(), 2u);
    EXPECT_EQ(prompts.messages, Strings{"Please set address !"});
    EXPECT_TRUE(link.calls.empty());
    typed = std::string(257, 'N');  // more than one request carries: refused, never cut
    inquiries.fileExist();
    EXPECT_EQ(prompts.messages.back(), "The file name is too long (at most 256 bytes)");
    // Without an input line there is no name to ask for.
    InquiryCommands withoutInput{host, link, prompts};
    host.settings().Address = "A";
    withoutInput.fileExist();
    EXPECT_TRUE(link.calls.empty());
}

TEST_F(HostInquiries, NothingRunsWhileAnotherCommandRunsOrWithoutAddresses) {
    host.setReady(false);
    for (const Inquiry& inquiry : kInquiries) run(inquiry.command);
    EXPECT_TRUE(captions.empty());
    EXPECT_TRUE(prompts.messages.empty());
    host.setReady(true);
    host.settings().Address.clear();
    typed = "X";
    for (const Inquiry& inquiry : kInquiries) run(inquiry.command);
    EXPECT_EQ(prompts.messages.size(), std::size(kInquiries));
    host.settings().Address = "A";
    host.connectSucceeds = false;
    for (const Inquiry& inquiry : kInquiries) run(inquiry.command);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(host.reports.empty());
    EXPECT_TRUE(host.state().isReady());
}

}  // namespace
