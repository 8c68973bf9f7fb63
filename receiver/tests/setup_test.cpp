// Setup.ini: what start-up takes from it and what "Applica" writes back.
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "setup_file.h"
#include "ui_driver.h"

namespace tembra::test {
namespace {

using TembraSetup = ReceiverFixture;

TEST_F(TembraSetup, UnknownPortTextIsShownButKeepsThePortNumber) {
    writeFile("Setup.ini", "1COM5\r\n238400\r\n3out.txt\r\n");
    startForm();
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "COM5");
    EXPECT_EQ(form_->portNumber(), 2);
    EXPECT_EQ(form_->portSettings(), "38400,n,8,1");

    writeFile("Setup.ini", "1COM3\r\n1COM5\r\n2fast\r\n");
    startForm();
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "COM5");
    EXPECT_EQ(form_->portNumber(), 3);
    EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "fast");
    EXPECT_EQ(form_->portSettings(), "19200,n,8,1");
}

TEST_F(TembraSetup, LaterLinesOverrideAndOtherLinesAreSkipped) {
    writeFile("Setup.ini",
              "1COM1\r\n\r\nxCOM3\r\n 2400\r\n29600\r\n3first.txt\r\n1COM4\r\n22400\r\n"
              "3second.txt\r\n#3third.txt\r\n");
    startForm();
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "COM4");
    EXPECT_EQ(form_->portNumber(), 4);
    EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "2400");
    EXPECT_EQ(form_->portSettings(), "2400,n,8,1");
    EXPECT_EQ(form_->outputFile(), "second.txt");
}

TEST_F(TembraSetup, ValuesAreTakenUntrimmedAndCaseSensitive) {
    writeFile("Setup.ini", "1COM3\r\n1COM1 \r\n1com4\r\n29600\r\n2 19200\r\n3 spaced.txt \r\n");
    startForm();
    EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "com4");
    EXPECT_EQ(form_->portNumber(), 3);
    EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), " 19200");
    EXPECT_EQ(form_->portSettings(), "9600,n,8,1");
    EXPECT_EQ(form_->outputFile(), " spaced.txt ");
}

TEST_F(TembraSetup, AcceptsLineFeedEndingsAndALastLineWithoutEnding) {
    writeFile("Setup.ini", "1COM1\n238400\n3/data/out.txt");
    startForm();
    EXPECT_EQ(form_->portNumber(), 1);
    EXPECT_EQ(form_->portSettings(), "38400,n,8,1");
    EXPECT_EQ(form_->outputFile(), "/data/out.txt");
}

TEST_F(TembraSetup, ApplyWritesThreeLinesInOrderEvenForUnknownValues) {
    writeFile("Setup.ini", "3/data/caf\xe9 out.txt\r\n2\r\n");
    startForm();
    control<QComboBox>("Combo1")->setCurrentText("COM9");
    control<QComboBox>("Combo2")->setCurrentText("115200");
    click("Command6");
    EXPECT_EQ(readFile("Setup.ini"), "1COM9\r\n2115200\r\n3/data/caf\xe9 out.txt\r\n");
    EXPECT_EQ(form_->portNumber(), 2);
    EXPECT_EQ(form_->portSettings(), "19200,n,8,1");

    control<QComboBox>("Combo1")->setCurrentText("COM4");
    control<QComboBox>("Combo2")->setCurrentText("9600");
    click("Command6");
    EXPECT_EQ(readFile("Setup.ini"), "1COM4\r\n29600\r\n3/data/caf\xe9 out.txt\r\n");
    EXPECT_EQ(form_->portNumber(), 4);
    EXPECT_EQ(form_->portSettings(), "9600,n,8,1");
    EXPECT_TRUE(statuses_.isEmpty());
}

TEST_F(TembraSetup, PortsSectionIsReadWithoutTouchingTheKnownLinesAndWrittenBack) {
    const QByteArray known = "1COM3\r\n29600\r\n3out.txt\r\n";
    const QByteArray byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    const QByteArray longest(kMaxPortDevice, 'x');
    const struct {
        QByteArray file;
        std::array<QByteArray, kSetupPorts> devices;
        QByteArray written;  // empty: the file as it was
    } rows[] = {
        {known, {}, {}},
        {known + "[Ports]\r\nCOM2=" + byId + "\r\nCOM4=tcp://10.0.0.5:4001\r\n",
         {"", byId, "", "tcp://10.0.0.5:4001"},
         {}},
        {"1COM3\n29600\n3out.txt\n [ports] \ncom1 = /dev/ttyUSB0 \n",
         {"/dev/ttyUSB0"},
         known + "[Ports]\r\nCOM1=/dev/ttyUSB0\r\n"},
        // Known keys, unknown keys, no "=", values and lines beyond the limits, another section.
        {known + "[Ports]\r\n1COM1\r\n3junk.txt\r\nCOM5=/dev/x\r\nCOM2\r\nCOM3=" + longest +
             "\r\nCOM4=" + longest + "y\r\nCOM1=" + QByteArray(1 << 20, 'z') +
             "\r\n[Other]\r\nCOM1=/dev/other\r\n",
         {"", "", longest, ""},
         known + "[Ports]\r\nCOM3=" + longest + "\r\n"},
    };
    for (const auto& row : rows) {
        writeFile("Setup.ini", row.file);
        SetupValues values;
        ASSERT_TRUE(readSetupFile(path("Setup.ini"), values).ok);
        EXPECT_EQ(values.portNumber, 3);
        EXPECT_EQ(values.outputFile, "out.txt");
        EXPECT_EQ(values.portDevices, row.devices);
        ASSERT_EQ(writeSetupFile(path("Setup.ini"), values), "");
        EXPECT_EQ(readFile("Setup.ini"), row.written.isEmpty() ? row.file : row.written);
    }
    // A device that would not read back the same is not written.
    SetupValues values;
    values.portDevices[0] = "/dev/x\r\n3evil.txt";
    EXPECT_TRUE(writeSetupFile(path("Setup.ini"), values).contains("COM1"));
    EXPECT_EQ(readFile("Setup.ini"), known + "[Ports]\r\nCOM3=" + longest + "\r\n");
}

TEST_F(TembraSetup, ApplyThatCannotWriteSaysSoAndKeepsRunning) {
    writeSetup(2);
    const QString unwritable = path("Setup.ini/Setup.ini");  // below a plain file
    form_ = std::make_unique<Form1>(
        Form1Options{{path("Setup.ini"), unwritable}, ReceiverFixture::fastTiming()});
    ASSERT_TRUE(form_->startUp());
    click("Command6");
    ASSERT_EQ(boxes_.seen().size(), 1);
    EXPECT_TRUE(boxes_.seen()[0].text.contains(unwritable)) << boxes_.seen()[0].text.toStdString();
    EXPECT_TRUE(endings_.isEmpty());
}

// An installed tree: the program's folder, the read-only default and the user's config folder.
class TembraSetupLocation : public ::testing::Test {
protected:
    TembraSetupLocation() {
        QDir(root_.path()).mkpath("bin");
        QDir(root_.path()).mkpath("share/tembra");
        writeSetupFile(defaultFile(), SetupValues{"COM1", "9600", "default.txt"});
    }
    QString bin() const { return root_.filePath("bin"); }
    QString defaults() const { return root_.filePath("share/tembra"); }
    QString defaultFile() const { return root_.filePath("share/tembra/Setup.ini"); }
    QString config() const { return root_.filePath("config"); }
    SetupLocation locate(bool writable) const {
        return locateSetupFile(bin(), writable, config(), defaults());
    }

    QTemporaryDir root_;
};

TEST_F(TembraSetupLocation, BesideTheProgramWhenItsFolderIsWritable) {
    const SetupLocation fresh = locate(true);
    EXPECT_EQ(fresh.readPath, defaultFile());  // nothing saved yet
    EXPECT_EQ(fresh.writePath, bin() + "/Setup.ini");

    ASSERT_EQ(writeSetupFile(fresh.writePath, SetupValues{"COM3", "2400", "x.txt"}), "");
    EXPECT_EQ(locate(true).readPath, bin() + "/Setup.ini");
    EXPECT_EQ(locate(true).writePath, bin() + "/Setup.ini");
}

TEST_F(TembraSetupLocation, UserConfigFolderWhenTheProgramFolderIsReadOnly) {
    const SetupLocation fresh = locate(false);
    EXPECT_EQ(fresh.readPath, defaultFile());  // the installed default, until saved
    EXPECT_EQ(fresh.writePath, config() + "/tembra/Setup.ini");

    // A copy an older install left beside the program still comes before the default.
    ASSERT_EQ(writeSetupFile(bin() + "/Setup.ini", SetupValues{"COM4", "2400", "old.txt"}), "");
    EXPECT_EQ(locate(false).readPath, bin() + "/Setup.ini");

    ASSERT_EQ(writeSetupFile(fresh.writePath, SetupValues{"COM1", "2400", "x.txt"}), "");
    const SetupLocation saved = locate(false);
    EXPECT_EQ(saved.readPath, config() + "/tembra/Setup.ini");
    EXPECT_EQ(saved.writePath, config() + "/tembra/Setup.ini");
}

TEST_F(TembraSetupLocation, NothingToReadNamesTheMissingDefault) {
    QFile::remove(defaultFile());
    for (bool writable : {true, false}) {
        const SetupLocation location = locate(writable);
        EXPECT_EQ(location.readPath, defaultFile());
        SetupValues values;
        const SetupReadResult read = readSetupFile(location.readPath, values);
        EXPECT_FALSE(read.ok);
        EXPECT_TRUE(read.error.contains(defaultFile())) << read.error.toStdString();
    }
    // A folder or a FIFO in its place is refused too, without waiting for a writer.
    SetupValues values;
    ASSERT_TRUE(QDir().mkpath(defaultFile()));
    EXPECT_TRUE(readSetupFile(defaultFile(), values).error.endsWith(": è una cartella"));
    ASSERT_TRUE(QDir().rmdir(defaultFile()));
    ASSERT_EQ(mkfifo(QFile::encodeName(defaultFile()).constData(), 0600), 0);
    EXPECT_TRUE(readSetupFile(defaultFile(), values).error.endsWith(": non è un file normale"));
}

}  // namespace
}  // namespace tembra::test
