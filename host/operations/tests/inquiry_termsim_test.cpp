// The inquiries in the real window, through the link library, against simulated terminals.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "command_ids.h"
#include "dialog_buttons.h"
#include "host_modules.h"
#include "link_glue.h"
#include "log_pane.h"
#include "main_frame.h"
#include "modal_answerer.h"
#include "modal_boxes.h"
#include "sim_launcher.h"
#include "temp_folder.h"
#include "vantrel_view.h"
#include "window_on_line.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

void writeAll(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A: a KD31 running MAIN.EXE with a file on its RAM disk and two in flash ROM. B: a VS17 with
// EMS, no program, no firmware text, in upload mode, and empty stores.
class HostInquiryTermsim : public ::testing::Test {
protected:
    void SetUp() override {
        writeAll(folder.file("storeA/ram/DATA.TXT"), std::string(1500, 'd'));
        writeAll(folder.file("storeA/rom/BOOT.EXE"), std::string(1024, 'b'));
        writeAll(folder.file("storeA/rom/FONT.BIN"), std::string(10, 'f'));
        const std::vector<std::string> args = {
            "--baud",     "2000000",
            "--terminal", "A,store=" + folder.file("storeA") + ",program=MAIN.EXE",
            "--terminal", "B,kind=3,firmware=,upload-mode=1,store=" + folder.file("storeB"),
        };
        std::string error;
        sim = simlaunch::SimProcess::start(folder.file("com1"), args, &error);
        ASSERT_TRUE(sim) << error;
        writeAll(folder.file("Vantcom.ini"),
                 "[Communication]\r\nPort=1\r\nBaudRate=57600\r\nESC_delay=0\r\nAddress=AB\r\n"
                 "Terminal_type=KD35\r\nErrorLog=New\r\n");
        window = std::make_unique<WindowOnLine>(folder.file("com1"), folder.path());
        frame = window->frame.get();
        vantrel::setOperatorCanAnswer(true);  // the test answers the file name dialog
    }
    void TearDown() override {
        window.reset();
        vantrel::setOperatorCanAnswer(std::nullopt);
    }

    vantrel::CVantrelView& view() { return *frame->view(); }
    void run(int id) { ASSERT_TRUE(view().runCommand(id)) << id; }
    void fileExist(const QString& name) {
        ModalAnswerer answerer([name](QWidget* dialog) {
            dialog->findChild<QLineEdit*>()->setText(name);
            pressDialogButton(dialog, QDialogButtonBox::Ok);
        });
        run(vantrel::ID_INQ_FILE_EXIST);
        EXPECT_EQ(answerer.lastTitle(), "Input file name to be check");
    }
    // The terminals' lines of the message window, the time masked.
    Strings paneLines() const {
        static const QRegularExpression stamp("^[A-Z] \\d\\d:\\d\\d:\\d\\d ");
        Strings lines;
        const vantrel::LogPane& pane = *frame->messagePane();
        for (int i = 0; i < pane.entryCount(); ++i) {
            QString line = pane.entry(i);
            if (!stamp.match(line).hasMatch()) continue;  // notes of the connect step
            lines.push_back(line.replace(2, 8, "HH:MM:SS").toStdString());
        }
        return lines;
    }

    simlaunch::TempDir folder;
    std::unique_ptr<simlaunch::SimProcess> sim;
    std::unique_ptr<WindowOnLine> window;
    vantrel::CMainFrame* frame = nullptr;
};

TEST_F(HostInquiryTermsim, EveryInquiryReportsItsLineByteForByte) {
    using namespace vantrel;
    for (const int id : {ID_INQ_RAM_SIZE, ID_INQ_ROM_SIZE, ID_INQ_RUNNING_PROGRAM,
                         ID_INQ_DIRECTORY_ROM, ID_INQ_DIRECTORY})
        run(id);
    fileExist("DATA.TXT");
    fileExist("BOOT.EXE");
    for (const int id : {ID_INQ_FIRMWARE, ID_INQ_TERMINAL_ID, ID_INQ_UPLOAD_MODE}) run(id);

    const Strings expected = {
        "A HH:MM:SS RAM size  Total=640  EXEC=128  Free=510 Successfully",
        "B HH:MM:SS RAM size  Total=640  EXEC=128  Free=512  Total EMS=1024  Free EMS=1024 "
        "Successfully",
        "A HH:MM:SS Flash ROM Size   Total=2048Kb  Free=2046Kb Successfully",
        "B HH:MM:SS Flash ROM Size   Total=2048Kb  Free=2048Kb Successfully",
        "A HH:MM:SS Check running AP MAIN.EXE Successfully",
        "B HH:MM:SS    No program is executed",
        "A HH:MM:SS Get ROM Directory   BOOT.EXE,FONT.BIN Successfully",
        "B HH:MM:SS Get ROM Directory    Successfully",
        "A HH:MM:SS Get Directory   DATA.TXT Successfully",
        "B HH:MM:SS Get Directory    Successfully",
        "A HH:MM:SS DATA.TXT File exist and length=1500 Successfully",
        "B HH:MM:SS File  DATA.TXT doesn't exist",
        "A HH:MM:SS BOOT.EXE File exist and length=1024 From flash ROM",
        "B HH:MM:SS File  BOOT.EXE doesn't exist",
        "A HH:MM:SS Version   V3.20 Successfully",
        "B HH:MM:SS Version   No program is executed",
        "A HH:MM:SS Terminal ID  KT05-A0 Successfully",
        "B HH:MM:SS Terminal ID  VT71-C1 Successfully",
        "A HH:MM:SS Upload mode   Successfully",
        "B HH:MM:SS Upload mode   Upload mode",
    };
    EXPECT_EQ(paneLines(), expected);

    // The error log holds the same lines, each ended by CR LF.
    std::string log = readFile(folder.file("ERR_LOG.TXT"));
    static const std::regex stamp("\\d\\d:\\d\\d:\\d\\d");
    log = std::regex_replace(log, stamp, "HH:MM:SS");
    std::string expectedLog;
    for (const auto& line : expected) expectedLog += line + "\r\n";
    EXPECT_EQ(log, expectedLog);

    const HostState& state = view().state();
    EXPECT_EQ(state.directory[0], "DATA.TXT");  // both directories keep the one listing
    EXPECT_EQ(state.kind[0], static_cast<int>(TerminalType::KD31_KD32));  // was KD35
    EXPECT_EQ(state.kind[1], static_cast<int>(TerminalType::VS17));
    EXPECT_EQ(state.status[0], TerminalStatus::Done);
    EXPECT_EQ(state.status[1], TerminalStatus::Failed);  // in upload mode
    EXPECT_TRUE(state.isReady());
}

TEST_F(HostInquiryTermsim, CancelledFileNameAsksNoTerminal) {
    ModalAnswerer cancel(
        [](QWidget* dialog) { pressDialogButton(dialog, QDialogButtonBox::Cancel); });
    run(vantrel::ID_INQ_FILE_EXIST);
    EXPECT_EQ(cancel.answered(), 1);
    EXPECT_TRUE(paneLines().empty());
    EXPECT_FALSE(view().state().connected);  // the line was not even opened
}

// Help > DLL version needs neither addresses nor the line.
class HostDllVersion : public ::testing::Test {
protected:
    simlaunch::TempDir folder;
};

TEST_F(HostDllVersion, ShownWithoutAddressesOrAnOpenLine) {
    writeAll(folder.file("Vantcom.ini"), "[Communication]\r\nAddress=\r\nTerminal_type=KD35\r\n");
    vantrel::CMainFrame frame;
    vantrel::install_host_modules(*frame.view());
    frame.view()->initialUpdate(folder.path());
    vantrel::setOperatorCanAnswer(true);
    ModalAnswerer ok(ModalAnswerer::pressButton(QMessageBox::Ok));
    ok.keepAnswering();  // a "Please set address !" box would be answered too, and counted
    EXPECT_TRUE(frame.view()->runCommand(vantrel::ID_DLL_VERSION));
    EXPECT_EQ(ok.answered(), 1);
    EXPECT_EQ(ok.lastText(), "VANTLINK.DLL version 7");
    EXPECT_EQ(ok.lastTitle(), "DLL VERSION");
    EXPECT_FALSE(frame.view()->state().connected);
    frame.closeWithoutAsking();
    vantrel::setOperatorCanAnswer(std::nullopt);
}

}  // namespace
