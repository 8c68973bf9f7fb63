// Setup.ini: what start-up takes from it and what "Applica" writes back.
#include <QComboBox>

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

TEST(TembraSetupLocation, BesideTheProgramWhenItsFolderIsWritable) {
    const SetupLocation location = locateSetupFile("/opt/tembra", true, "/home/u/.config");
    EXPECT_EQ(location.readPath, "/opt/tembra/Setup.ini");
    EXPECT_EQ(location.writePath, "/opt/tembra/Setup.ini");
}

TEST(TembraSetupLocation, UserConfigFolderWhenTheProgramFolderIsReadOnly) {
    QTemporaryDir config;
    const SetupLocation fresh = locateSetupFile("/usr/bin", false, config.path());
    EXPECT_EQ(fresh.readPath, "/usr/bin/Setup.ini");  // the installed default, until saved
    EXPECT_EQ(fresh.writePath, config.filePath("tembra/Setup.ini"));

    SetupValues values{"COM1", "2400", "x.txt"};
    ASSERT_EQ(writeSetupFile(fresh.writePath, values), "");
    const SetupLocation saved = locateSetupFile("/usr/bin", false, config.path());
    EXPECT_EQ(saved.readPath, config.filePath("tembra/Setup.ini"));
}

}  // namespace
}  // namespace tembra::test
