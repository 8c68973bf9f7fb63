// Connect / Dial and Disconnect / Hang up in the main window against the simulator, with the
// port alone and through its modem.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <array>
#include <fstream>

#include "command_ids.h"
#include "dial_phone_dlg.h"
#include "dialup_commands.h"
#include "frame_fixture.h"
#include "log_pane.h"
#include "modal_answerer.h"
#include "modal_boxes.h"
#include "sim_launcher.h"
#include "vantlink.h"

using namespace vantrel;

namespace {

using Lines = std::vector<std::string>;

class HostDialupTermsim : public FrameFixture {
protected:
    std::string iniText() const override {
        return "[Communication]\nTerminal_type=KD35\nAddress=A\nPort=1\nBaudRate=57600\n"
               "[Modem]\nUse_modem=" +
               std::string(modem_ ? "Yes" : "No") +
               "\nModem_Phone_name001=Busy office\nModem_Phone_no001=5550000\n"
               "Modem_Phone_name002=Depot\nModem_Phone_no002=5551234\n";
    }
    void TearDown() override {
        FrameFixture::TearDown();
        sim_.reset();
        unsetenv("VANTLINK_COM1");
    }

    void startSim(bool modem) {
        modem_ = modem;
        {
            std::ofstream records(sims_.file("records"), std::ios::binary);
            records << "A0001 first record\r\n";
        }
        std::vector<std::string> args = {"--baud",     "57600",
                                         "--number",   "5550000=busy:100",
                                         "--terminal", "A,records=" + sims_.file("records")};
        if (modem) args.push_back("--modem");
        std::string error;
        sim_ = simlaunch::SimProcess::start(sims_.file("com1"), args, &error);
        ASSERT_TRUE(sim_) << error;
        setenv("VANTLINK_COM1", sim_->link().c_str(), 1);
        writeFile(folder.file("Vantcom.ini"), iniText());
        view().reloadSettings();
        install_dialup_commands(view());
    }

    // The notes without address and time: operation, detail and the empty result text.
    Lines notes() const {
        Lines lines;
        const LogPane* pane = frame->messagePane();
        for (int i = 0; i < pane->entryCount(); ++i)
            lines.push_back(pane->entry(i).mid(11).toStdString());
        return lines;
    }
    static std::string note(const std::string& operation, const std::string& detail = "") {
        return operation + " " + detail + " ";
    }

    int pollA() {
        std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
        int32_t length = 0;
        return HM_poll(1, 'A', buffer.data(), &length);
    }

    // Answers "Dial Phone No." by choosing the row and pressing Connect.
    static ModalAnswerer::Answer dialRow(int row) {
        return [row](QWidget* widget) {
            auto* dialog = qobject_cast<CDialPhoneDlg*>(widget);
            if (!dialog) return;
            dialog->list()->setCurrentRow(row);
            for (auto* button : dialog->findChildren<QPushButton*>())
                if (button->text() == "Connect") button->click();
        };
    }

    bool modem_ = false;
    simlaunch::TempDir sims_;
    std::unique_ptr<simlaunch::SimProcess> sim_;
};

}  // namespace

TEST_F(HostDialupTermsim, PortAloneConnectsPollsAndCloses) {
    ASSERT_NO_FATAL_FAILURE(startSim(false));
    EXPECT_TRUE(enabled(ID_PORT_CONNECT));
    EXPECT_FALSE(enabled(ID_PORT_DISCONNECT));
    ASSERT_TRUE(view().runCommand(ID_PORT_CONNECT));
    EXPECT_TRUE(view().state().connected);
    EXPECT_FALSE(enabled(ID_PORT_CONNECT));
    EXPECT_TRUE(enabled(ID_PORT_DISCONNECT));
    EXPECT_EQ(notes(), (Lines{note("Open COM1", sim_->link())}));
    EXPECT_EQ(pollA(), RC_SUCCESS);

    ASSERT_TRUE(view().runCommand(ID_PORT_DISCONNECT));
    EXPECT_FALSE(view().state().connected);
    EXPECT_TRUE(enabled(ID_PORT_CONNECT));
    EXPECT_EQ(notes(), (Lines{note("Open COM1", sim_->link()), note("Close COM port ", " ")}));
}

TEST_F(HostDialupTermsim, PortThatDoesNotExistGivesTheOpenErrorBox) {
    ASSERT_NO_FATAL_FAILURE(startSim(false));
    setenv("VANTLINK_COM1", sims_.file("no-such-port").c_str(), 1);
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    view().runCommand(ID_PORT_CONNECT);
    EXPECT_EQ(answerer.answered(), 1);
    const std::string reason = "No such device: " + sims_.file("no-such-port");
    EXPECT_EQ(answerer.lastText().toStdString(), "COM1 open error\n" + reason);
    EXPECT_FALSE(view().state().connected);
    EXPECT_EQ(notes(), (Lines{note(reason)}));
}

TEST_F(HostDialupTermsim, UnattendedTheBoxTextIsTheFirstLineAndTheReasonTheSecond) {
    ASSERT_NO_FATAL_FAILURE(startSim(false));
    const std::string missing = sims_.file("no-such-port");
    setenv("VANTLINK_COM1", missing.c_str(), 1);
    setOperatorCanAnswer(false);
    view().runCommand(ID_PORT_CONNECT);
    setOperatorCanAnswer(true);
    const LogPane* pane = frame->messagePane();
    ASSERT_EQ(pane->entryCount(), 2);
    EXPECT_EQ(pane->entry(0), "COM1 open error");
    EXPECT_EQ(pane->entry(1).toStdString(), "No such device: " + missing);
}

TEST_F(HostDialupTermsim, PortHeldByAnotherProgramSaysSoInTheMessageWindow) {
    ASSERT_NO_FATAL_FAILURE(startSim(false));
    const int holder = open(sim_->link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    view().runCommand(ID_PORT_CONNECT);
    close(holder);
    EXPECT_TRUE(
        answerer.lastText().startsWith("COM1 open error\n" + QString::fromStdString(sim_->link())));
    EXPECT_FALSE(view().state().connected);
    // The simulator keeps its end of the line open too; this process is never named.
    EXPECT_EQ(notes(),
              (Lines{note(sim_->link() + " is in use by another program: termsim (process " +
                          std::to_string(sim_->pid()) + ")")}));

    ASSERT_TRUE(view().runCommand(ID_PORT_CONNECT)) << "free again";
    EXPECT_TRUE(view().state().connected);
    view().runCommand(ID_PORT_DISCONNECT);
}

TEST_F(HostDialupTermsim, ModemDialsReachesTheTerminalAndHangsUp) {
    ASSERT_NO_FATAL_FAILURE(startSim(true));
    ModalAnswerer answerer(dialRow(1));  // the list is sorted: "Busy office", then "Depot"
    ASSERT_TRUE(view().runCommand(ID_PORT_CONNECT));
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(answerer.lastTitle(), "Dial Phone No.");
    ASSERT_TRUE(view().state().connected);
    const std::string number = "5551234" + std::string(23, ' ');
    EXPECT_EQ(notes(),
              (Lines{note("Open COM1", sim_->link()), note("Send initial command ", "ATS0=1"),
                     note("OK"), note("Dial phone no ", number), note("Connect ")}));
    EXPECT_EQ(pollA(), RC_SUCCESS);  // through the modem's data state

    ASSERT_TRUE(view().runCommand(ID_PORT_DISCONNECT));
    const Lines lines = notes();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(Lines(lines.begin() + 5, lines.end()),
              (Lines{note("Hang up", " "), note("   Send +++ ", "ret=0"),
                     note("   Send ATH ", "ret=0"), note("Close COM port ", " ")}));
    EXPECT_FALSE(view().state().connected);
}

TEST_F(HostDialupTermsim, RefusedDialHangsUpAndLeavesThePortClosed) {
    ASSERT_NO_FATAL_FAILURE(startSim(true));
    ModalAnswerer answerer(dialRow(0));
    EXPECT_TRUE(view().runCommand(ID_PORT_CONNECT));
    EXPECT_EQ(answerer.answered(), 1);
    const Lines lines = notes();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[3], note("Dial phone no ", "5550000" + std::string(23, ' ')));
    const Lines tail(lines.begin() + 4, lines.end());
    ASSERT_EQ(tail.size(), 5u);
    EXPECT_EQ(tail[0], note("Fail "));
    EXPECT_EQ(tail[1], note("Hang up", " "));
    EXPECT_EQ(tail[2].rfind("   Send +++  ret=", 0), 0u) << tail[2];
    EXPECT_EQ(tail[3].rfind("   Send ATH  ret=", 0), 0u) << tail[3];
    EXPECT_EQ(tail[4], note("Close COM port ", " "));
    EXPECT_FALSE(view().state().connected);
    EXPECT_TRUE(enabled(ID_PORT_CONNECT));
    // Closed for real: the port opens again at once.
    EXPECT_EQ(HM_OpenCommPort(1, 9, 8, 0, 1), 1);
    HM_CloseCommPort(1);
}
