// Receptions over a pseudo-terminal: how received characters become stored lines, and how a
// reception ends.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "pty_line.h"
#include "ui_driver.h"

namespace tembra::test {
namespace {

class TembraReception : public ReceiverFixture {
protected:
    TembraReception() {
        qputenv("TEMBRA_COM4", line_.slavePath().toLocal8Bit());
        writeSetup(4);
    }
    void TearDown() override { expectNoBoxes(); }
    bool receiving() const { return form_->isReceiving(); }
    bool statusIs(const char* text) const {
        return control<QLabel>("Label19")->text() == QString::fromUtf8(text);
    }

    PtyLine line_;
};

TEST_F(TembraReception, TwoLinesThenEndAreStoredAndTheReceptionCompletes) {
    startForm();
    bool interruptEnabled = false;
    bool receiveEnabled = true;
    QObject::connect(form_.get(), &Form1::lineStored, [&] {
        interruptEnabled = control<QPushButton>("Command1")->isEnabled();
        receiveEnabled = control<QPushButton>("Command4")->isEnabled();
    });
    line_.send("first line\nsecond\nEND\n");
    receive();

    EXPECT_EQ(output(), "first line\r\nsecond\r\n");
    EXPECT_TRUE(interruptEnabled);
    EXPECT_FALSE(receiveEnabled);
    ASSERT_EQ(statusTexts(),
              (QStringList{"Apertura seriale ...", "Ricava nome file ...", "Costruzione file ...",
                           "Eseguito ...", "Non in corso !"}));
    const QColor green(0, 128, 0);
    EXPECT_EQ(statuses_[0].colour, green);
    EXPECT_EQ(statuses_[3].colour, green);
    EXPECT_EQ(statuses_[4].colour, QColor(255, 0, 0));
    EXPECT_EQ(control<QLabel>("Label19")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(control<QPushButton>("Command1")->isEnabled());
    EXPECT_TRUE(control<QPushButton>("Command4")->isEnabled());
    EXPECT_FALSE(receiving());
}

TEST_F(TembraReception, LineEndingsAreStoredAsReceivedBeforeCrLf) {
    startForm();
    line_.send(QByteArrayLiteral("crlf line\r\n\n\nlf line\n\r\nmid\rcr\nnul\0byte\nEND"));
    receive();
    EXPECT_EQ(output(),
              QByteArrayLiteral("crlf line\r\r\nlf line\r\n\r\r\nmid\rcr\r\nnul\0byte\r\n"));
}

TEST_F(TembraReception, EndAnywhereInTheLineEndsWithoutStoringItButOtherCasesDoNot) {
    startForm();
    line_.send("weekend\nEnd of day\nend\nkept\nthe WEEKEND sale\nnever stored\n");
    receive();
    EXPECT_EQ(output(), "weekend\r\nEnd of day\r\nend\r\nkept\r\n");
    EXPECT_EQ(statusTexts().value(3), "Eseguito ...");
}

TEST_F(TembraReception, AppendKeepsOldContentsAndReplaceEmptiesTheFile) {
    writeFile("out.txt", "old line\r\n");
    startForm();
    line_.send("new line\nEND");
    receive();
    EXPECT_EQ(output(), "old line\r\nnew line\r\n");

    control<QRadioButton>("Option2")->click();
    line_.send("replacing\nEND");
    receive();
    EXPECT_EQ(output(), "replacing\r\n");
}

TEST_F(TembraReception, ReplaceEmptiesTheFileEvenWhenInterruptedAtOnce) {
    writeFile("out.txt", "old line\r\n");
    startForm();
    control<QRadioButton>("Option2")->click();
    Script script;
    script.when([this] { return statusIs("Costruzione file ..."); }, [this] { click("Command1"); });
    receive();
    EXPECT_EQ(output(), "");
    ASSERT_EQ(statusTexts().mid(3), (QStringList{"Annullato !", "Non in corso !"}));
    EXPECT_EQ(statuses_[3].colour, QColor(255, 0, 0));
}

TEST_F(TembraReception, InterruptKeepsStoredLinesAndDropsTheUnfinishedOne) {
    startForm();
    Script script;
    script.when([this] { return form_->unfinishedLine() == "unfini"; },
                [this] { click("Command1"); });
    line_.send("one\ntwo\nunfini");
    receive();
    EXPECT_EQ(output(), "one\r\ntwo\r\n");
    EXPECT_TRUE(statusTexts().contains("Annullato !"));
    EXPECT_FALSE(statusTexts().contains("Eseguito ..."));

    // The dropped part does not reappear at the start of the next reception.
    line_.send("shed\nEND");
    receive();
    EXPECT_EQ(output(), "one\r\ntwo\r\nshed\r\n");
}

TEST_F(TembraReception, IdlePassesEndTheReceptionOnlyAfterAFirstLine) {
    ReceptionTiming timing = fastTiming();
    timing.idlePassLimit = 3000;
    timing.quietWait = std::chrono::microseconds(10);
    timing.quietWaitBeforeFirstLine = std::chrono::microseconds(10);
    startForm(timing);

    // Nothing received: many times the limit passes and the reception still waits.
    Script waiting;
    waiting.when([this] { return form_->passCount() > 30000; }, [this] { click("Command1"); });
    receive();
    EXPECT_TRUE(statusTexts().contains("Annullato !"));
    EXPECT_GT(form_->passCount(), 30000);

    statuses_.clear();
    line_.send("only line\n");
    receive();
    EXPECT_EQ(output(), "only line\r\n");
    EXPECT_EQ(statusTexts(),
              (QStringList{"Apertura seriale ...", "Ricava nome file ...", "Costruzione file ...",
                           "Eseguito ...", "Non in corso !"}));
    // The limit counts passes after the line, not from the start of the reception.
    EXPECT_GE(form_->passCount(), 3000 + 10);
    EXPECT_LT(form_->passCount(), 3000 + 1000);
}

TEST_F(TembraReception, PortDeviceAndSpeedComeFromSetup) {
    PtyLine other;
    qunsetenv("TEMBRA_COM3");  // the line is found only through [Ports]
    writeFile("Setup.ini", "1COM3\r\n238400\r\n3" + outputPath().toUtf8() +
                               "\r\n[Ports]\r\nCOM3=" + other.slavePath().toLocal8Bit() + "\r\n");
    startForm();
    int speedDuringReception = 0;
    QObject::connect(form_.get(), &Form1::lineStored,
                     [&] { speedDuringReception = other.inputSpeed(); });
    other.send("via COM3\nEND");
    line_.send("via COM4\nEND");
    receive();
    EXPECT_EQ(output(), "via COM3\r\n");
    EXPECT_EQ(speedDuringReception, 38400);
    EXPECT_FALSE(other.parityEnabled());
    EXPECT_EQ(other.dataBits(), 8);
    EXPECT_FALSE(other.twoStopBits());
}

TEST_F(TembraReception, ApplyDuringAReceptionServesTheNextOne) {
    PtyLine other;
    qputenv("TEMBRA_COM3", other.slavePath().toLocal8Bit());
    startForm();
    QList<int> speeds;  // of the line in use, at each stored line
    QObject::connect(form_.get(), &Form1::lineStored, [&] {
        speeds.append(storedLines_.size() <= 2 ? line_.inputSpeed() : other.inputSpeed());
    });
    Script script;
    script.when([this] { return storedLines_.size() == 1; },
                [this] {
                    control<QComboBox>("Combo1")->setCurrentText("COM3");
                    control<QComboBox>("Combo2")->setCurrentText("9600");
                    click("Command6");
                    line_.send("still COM4\nEND");
                });
    line_.send("before\n");
    receive();
    EXPECT_EQ(output(), "before\r\nstill COM4\r\n");
    EXPECT_EQ(readFile("Setup.ini"), "1COM3\r\n29600\r\n3" + outputPath().toUtf8() + "\r\n");

    other.send("now COM3\nEND");
    receive();
    EXPECT_EQ(output(), "before\r\nstill COM4\r\nnow COM3\r\n");
    EXPECT_EQ(speeds, (QList<int>{19200, 19200, 9600}));
}

TEST_F(TembraReception, InfoDuringAReceptionLosesNoCharacter) {
    startForm();
    Script script;
    script.when([this] { return storedLines_.size() == 1; },
                [this] {
                    // Sent while the box is up; the box is answered within milliseconds.
                    QTimer::singleShot(0, [this] { line_.send("during info\nEND"); });
                    click("Command3");
                });
    line_.send("before\n");
    receive();
    ASSERT_EQ(boxes_.seen().size(), 1);
    EXPECT_EQ(boxes_.seen()[0].title, "Tembra Info.");
    EXPECT_EQ(output(), "before\r\nduring info\r\n");
    boxes_.clear();
}

}  // namespace
}  // namespace tembra::test
