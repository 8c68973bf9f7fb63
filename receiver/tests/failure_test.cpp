// What ends the program: a Setup.ini that cannot be used, a port or output file that cannot be
// opened, "Esci" and closing the window; lines already stored always stay.
#include <QPushButton>

#include "pty_line.h"
#include "ui_driver.h"

namespace tembra::test {
namespace {

class TembraFailure : public ReceiverFixture {
protected:
    TembraFailure() { qputenv("TEMBRA_COM4", line_.slavePath().toLocal8Bit()); }

    // Starts the window and returns the boxes that start-up showed.
    QList<SeenBox> startUpFails() {
        boxes_.clear();
        const QString setup = path("Setup.ini");
        form_ = std::make_unique<Form1>(Form1Options{{setup, setup}, fastTiming()});
        EXPECT_FALSE(form_->startUp());
        return boxes_.seen();
    }

    PtyLine line_;
};

TEST_F(TembraFailure, MissingOrEmptySetupStopsTheStartUp) {
    QList<SeenBox> boxes = startUpFails();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.contains(path("Setup.ini"))) << boxes[0].text.toStdString();

    writeFile("Setup.ini", "");
    boxes = startUpFails();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].text.contains(path("Setup.ini")));

    // One empty line is a line: start-up goes on with the defaults.
    writeFile("Setup.ini", "\r\n");
    startForm();
    EXPECT_EQ(form_->portNumber(), 2);
}

TEST_F(TembraFailure, SetupLineBeyondTheLimitStopsTheStartUpUnread) {
    writeFile("Setup.ini", "1COM4\r\n3" + QByteArray(4 << 20, 'x'));
    const QList<SeenBox> boxes = startUpFails();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.contains(path("Setup.ini"))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("riga 2")) << boxes[0].text.toStdString();
}

TEST_F(TembraFailure, PortThatCannotBeOpenedEndsTheProgramNamingIt) {
    writeSetup(4);
    qputenv("TEMBRA_COM4", "/nonexistent/tembra-line");
    startForm();
    receive();
    const QList<SeenBox>& boxes = boxes_.seen();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.contains("COM4"));
    EXPECT_TRUE(boxes[0].text.contains("/nonexistent/tembra-line"));
    EXPECT_EQ(endings_, QList<int>{1});
    EXPECT_FALSE(form_->isVisible());
}

TEST_F(TembraFailure, OutputFileThatCannotBeOpenedEndsTheProgramNamingIt) {
    const QString missingFolder = path("no-such-folder/out.txt");
    writeFile("Setup.ini", "1COM4\r\n3" + missingFolder.toUtf8() + "\r\n");
    startForm();
    receive();
    const QList<SeenBox>& boxes = boxes_.seen();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].text.contains(missingFolder)) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("No such file")) << boxes[0].text.toStdString();
    EXPECT_EQ(endings_, QList<int>{1});

    writeFile("Setup.ini", "1COM4\r\n3\r\n");
    endings_.clear();
    boxes_.clear();
    startForm();
    receive();
    ASSERT_EQ(boxes_.seen().size(), 1);
    EXPECT_TRUE(boxes_.seen()[0].text.contains(path("Setup.ini")));
    EXPECT_EQ(endings_, QList<int>{1});
}

TEST_F(TembraFailure, OutputFileThatCannotBeWrittenEndsTheProgramNamingIt) {
    writeFile("Setup.ini", "1COM4\r\n3/dev/full\r\n");
    startForm();
    line_.send("no room\nEND");
    receive();
    ASSERT_EQ(boxes_.seen().size(), 1);
    EXPECT_TRUE(boxes_.seen()[0].text.contains("/dev/full")) << boxes_.seen()[0].text.toStdString();
    EXPECT_TRUE(boxes_.seen()[0].text.contains("No space left"));
    EXPECT_TRUE(storedLines_.isEmpty());
    EXPECT_EQ(endings_, QList<int>{1});
    EXPECT_FALSE(statusTexts().contains("Eseguito ..."));
}

TEST_F(TembraFailure, ExitDuringAReceptionEndsAtOnceKeepingStoredLines) {
    writeSetup(4);
    startForm();
    Script script;
    script.when([this] { return storedLines_.size() == 2; }, [this] { click("Command2"); });
    line_.send("kept 1\nkept 2\nlost");
    receive();
    EXPECT_EQ(output(), "kept 1\r\nkept 2\r\n");
    EXPECT_EQ(endings_, QList<int>{0});
    EXPECT_EQ(statusTexts().last(), "Costruzione file ...");
    EXPECT_FALSE(form_->isVisible());
}

TEST_F(TembraFailure, ClosingTheWindowDuringAReceptionEndsTheProgram) {
    writeSetup(4);
    startForm();
    Script script;
    script.when([this] { return storedLines_.size() == 1; }, [this] { form_->close(); });
    line_.send("kept\n");
    receive();
    EXPECT_EQ(output(), "kept\r\n");
    EXPECT_EQ(endings_, QList<int>{0});
}

TEST_F(TembraFailure, StoredLinesAreOnDiskWhileTheReceptionRuns) {
    writeSetup(4);
    startForm();
    QByteArray onDiskAfterSecond;
    Script script;
    script.when([this] { return storedLines_.size() == 2; },
                [&] {
                    onDiskAfterSecond = output();
                    line_.send("END");
                });
    line_.send("a\nb\n");
    receive();
    EXPECT_EQ(onDiskAfterSecond, "a\r\nb\r\n");
}

}  // namespace
}  // namespace tembra::test
