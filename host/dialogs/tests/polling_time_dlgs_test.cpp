// "Polling Data file", the two time dialogs, the input line, "Remote configuration KD24" and
// the file-open dialog of their Browse buttons.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "dialog_buttons.h"
#include "dialog_test_support.h"
#include "file_open_dlg.h"
#include "modal_boxes.h"
#include "polling_time_dlg_classes.h"
#include "temp_folder.h"
#include "transfer_file_dlg_classes.h"

using namespace vantrel;

namespace {

void setClock(const ClockFieldEdits& fields, const char* h, const char* m, const char* s) {
    fields[0]->setText(h);
    fields[1]->setText(m);
    fields[2]->setText(s);
}

}  // namespace

TEST(HostFileOpenDialog, FilterTextBecomesDescriptionPatternPairs) {
    EXPECT_EQ(nameFiltersFromFilterText(kAllFilesFilter), QStringList{"All files (*.*) (*)"});
    EXPECT_EQ(nameFiltersFromFilterText(kKd24FilesFilter),
              (QStringList{"CFG files (*.KD24) (*.KD24)", "All files (*.*) (*)"}));
    EXPECT_EQ(nameFiltersFromFilterText("Texts|*.txt;*.log|"), QStringList{"Texts (*.txt *.log)"});
    EXPECT_TRUE(nameFiltersFromFilterText("").isEmpty());
    EXPECT_TRUE(nameFiltersFromFilterText("No pattern|").isEmpty());
}

TEST(HostFileOpenDialog, ChosenPathCancelAndNoOperator) {
    TempFolder folder;
    writeFile(folder.file("a.bin"), "x");
    const QString path = QString::fromStdString(folder.file("a.bin"));
    FileDialogSeen seen;
    {
        ModalAnswerer answerer(chooseFile(path, &seen));
        EXPECT_EQ(chooseFileToOpen(nullptr, {kKd24FilesFilter, "*.*", true}), path);
    }
    EXPECT_EQ(seen.filters, nameFiltersFromFilterText(kKd24FilesFilter));
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(seen.asksBeforeOverwriting);
    {
        ModalAnswerer answerer(chooseFile(QString()));
        EXPECT_EQ(chooseFileToOpen(nullptr, {kAllFilesFilter, {}, false}), std::nullopt);
        EXPECT_EQ(answerer.answered(), 1);
    }
    // Nobody to choose: no dialog waits, nothing is chosen.
    setOperatorCanAnswer(false);
    EXPECT_EQ(chooseFileToOpen(nullptr, {kAllFilesFilter, {}, false}), std::nullopt);
    setOperatorCanAnswer(true);
}

TEST(HostPollingDataDialog, FilledFromTheSettingsAndStoredOnOk) {
    CPollingDataDlg fresh(PollingDataValues{});
    EXPECT_EQ(fresh.windowTitle(), "Polling Data file");
    for (auto* button : fresh.findChildren<QRadioButton*>()) EXPECT_FALSE(button->isChecked());

    HostSettings s;
    s.Start_Time = "07:05:00";
    s.Stop_Time = "18:30:15";
    s.Polling_Period = PollingPeriod::Specify;
    s.Token_file = false;
    s.MaxError = 3;
    CPollingDataDlg dialog(pollingDataValuesFor(s));
    EXPECT_EQ(dialog.fileNameField()->text(), "POLL.DAT");
    EXPECT_EQ(dialog.fileNameField()->maxLength(), 99);
    EXPECT_EQ(dialog.startFields()[1]->text(), "5");
    EXPECT_EQ(dialog.stopFields()[2]->text(), "15");
    EXPECT_TRUE(radio(dialog, "Specify Polling Period (HH:MM:SS)")->isChecked());
    EXPECT_TRUE(radio(dialog, "No Token (Share file)")->isChecked());
    EXPECT_TRUE(radio(dialog, "Append")->isChecked());

    // A stop time before the start time is taken as entered; the counts have no range.
    setClock(dialog.startFields(), "23", "59", "59");
    setClock(dialog.stopFields(), "0", "0", "0");
    dialog.errorThresholdField()->setText("500");
    dialog.noDataWaitField()->setText("-5");
    radio(dialog, "New")->click();
    radio(dialog, "Stop poll when no data for")->click();
    radio(dialog, "On (use token file)")->click();
    dialog.fileNameField()->setText("DATA.TXT");
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    s.Poll_Period_Specify_Counter = 0;
    applyPollingDataValues(dialog.values(), s);
    EXPECT_EQ(s.File_Name, "DATA.TXT");
    EXPECT_EQ(s.Open_Method, PollOpenMethod::New);
    EXPECT_EQ(s.Polling_Period, PollingPeriod::ExistWhenPeriodNoData);
    EXPECT_EQ(s.Start_Time, "23:59:59");
    EXPECT_EQ(s.Stop_Time, "00:00:00");
    EXPECT_EQ(s.Start_Times[0], "00:00:00");  // no windows in use: window 0 untouched
    EXPECT_TRUE(s.Token_file);
    EXPECT_EQ(s.Poll_Max_Wait_Time, -5);
    EXPECT_EQ(s.MaxError, 1);  // as the settings file reads 500 back

    // With windows in use, the pair shown is window 0 and stays there.
    s.Poll_Period_Specify_Counter = 3;
    applyPollingDataValues(dialog.values(), s);
    EXPECT_EQ(s.Start_Times[0], "23:59:59");
    EXPECT_EQ(s.Stop_Times[0], "00:00:00");
    EXPECT_EQ(s.Start_Times[1], "00:00:00");
}

TEST(HostPollingDataDialog, FieldsAreCheckedInOrderAtTheirBounds) {
    CPollingDataDlg dialog(pollingDataValuesFor(HostSettings{}));
    setClock(dialog.startFields(), "24", "60", "-1");
    setClock(dialog.stopFields(), "x", "60", "60");
    dialog.errorThresholdField()->setText("1.5");
    dialog.noDataWaitField()->setText("");
    const std::pair<QLineEdit*, QString> expected[] = {
        {dialog.startFields()[0], "Please enter an integer between 0 and 23."},
        {dialog.startFields()[1], "Please enter an integer between 0 and 59."},
        {dialog.startFields()[2], "Please enter an integer between 0 and 59."},
        {dialog.stopFields()[0], "Please enter an integer."},
        {dialog.stopFields()[1], "Please enter an integer between 0 and 59."},
        {dialog.stopFields()[2], "Please enter an integer between 0 and 59."},
        {dialog.errorThresholdField(), "Please enter an integer."},
        {dialog.noDataWaitField(), "Please enter an integer."},
    };
    const char* fixes[] = {"23", "59", "0", "0", "0", "59", "7", "12"};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(pressOk(dialog), expected[i].second) << i;
        EXPECT_EQ(dialog.focusWidget(), expected[i].first) << i;
        EXPECT_EQ(dialog.values().start.hour, 0);  // nothing taken while one is refused
        expected[i].first->setText(fixes[i]);
    }
    EXPECT_EQ(pressOk(dialog), "");
    EXPECT_EQ(dialog.values().start, (ClockFields{23, 59, 0}));
    EXPECT_EQ(dialog.values().stop, (ClockFields{0, 0, 59}));
    EXPECT_EQ(dialog.values().errorThreshold, 7);
}

TEST(HostPollingDataDialog, EveryFileNameChangeTakesAllFieldsAndCancelRestoresQuietly) {
    CPollingDataDlg dialog(pollingDataValuesFor(HostSettings{}));
    dialog.startFields()[0]->setText("24");
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    answerer.keepAnswering();
    dialog.fileNameField()->setText("A.DAT");
    dialog.fileNameField()->setText("B.DAT");
    EXPECT_EQ(answerer.answered(), 2);
    EXPECT_EQ(answerer.lastText(), "Please enter an integer between 0 and 23.");
    EXPECT_EQ(dialog.values().fileName, "POLL.DAT");  // refused: nothing taken

    dialog.startFields()[0]->setText("12");
    dialog.fileNameField()->setText("C.DAT");
    EXPECT_EQ(dialog.values().fileName, "C.DAT");
    EXPECT_EQ(dialog.values().start.hour, 12);
    EXPECT_EQ(answerer.answered(), 2);

    // Cancel shows the name it opened with again, and says nothing of a bad field.
    dialog.startFields()[0]->setText("99");
    dialog.reject();
    EXPECT_EQ(answerer.answered(), 2);
    EXPECT_EQ(dialog.fileNameField()->text(), "POLL.DAT");
    EXPECT_EQ(dialog.values().fileName, "POLL.DAT");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(HostPollingDataDialog, BrowseTakesAFullPathThatTheSettingsCanHold) {
    TempFolder folder;
    const QString fresh = QString::fromStdString(folder.file("new.dat"));  // need not exist
    CPollingDataDlg dialog(pollingDataValuesFor(HostSettings{}));
    FileDialogSeen seen;
    {
        ModalAnswerer answerer(chooseFile(fresh, &seen));
        dialog.browse();
    }
    EXPECT_EQ(seen.filters, QStringList{"All files (*.*) (*)"});
    EXPECT_EQ(seen.mode, QFileDialog::AnyFile);
    EXPECT_EQ(dialog.fileNameField()->text(), fresh);
    EXPECT_EQ(dialog.values().fileName, fresh.toStdString());

    {  // cancelled: nothing changes
        ModalAnswerer answerer(chooseFile(QString()));
        dialog.browse();
        EXPECT_EQ(answerer.answered(), 1);
    }
    EXPECT_EQ(dialog.fileNameField()->text(), fresh);

    // A name the settings file would give back cut short is refused.
    const QString tooLong = QString::fromStdString(folder.file(std::string(100, 'p')));
    ModalAnswerer answerer([&](QWidget* widget) {
        if (qobject_cast<QFileDialog*>(widget)) return chooseFile(tooLong)(widget);
        ModalAnswerer::pressButton(QMessageBox::Ok)(widget);
    });
    answerer.keepAnswering();
    dialog.browse();
    EXPECT_EQ(answerer.answered(), 2);
    EXPECT_EQ(answerer.lastText(), "The file name is too long (at most 99 bytes).");
    EXPECT_EQ(dialog.fileNameField()->text(), fresh);
}

// The settings file counts bytes: a longer typed name is refused on OK, never cut when read back.
TEST(HostSettingsTextFields, TypedNamesMustFitTheSettingsFileInBytes) {
    CPollingDataDlg poll(PollingDataValues{});
    CRemoteConfigDlg kd24("");
    CDownloadFilesDlg download(DownloadFilesValues{});
    const std::tuple<QDialog*, QLineEdit*, int> rows[] = {{&poll, poll.fileNameField(), 99},
                                                          {&kd24, kd24.pathField(), 99},
                                                          {&download, download.fileField(11), 119}};
    for (const auto& [dialog, field, limit] : rows) {
        field->setText(QString(limit / 2, QChar(0xE9)) + "xx");  // 2 characters less, 1 byte more
        ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
        dialog->accept();
        EXPECT_EQ(answerer.lastText(),
                  QString("The file name is too long (at most %1 bytes).").arg(limit));
        EXPECT_NE(dialog->result(), QDialog::Accepted) << limit;
    }
}

TEST(HostAutoTimeSyncDialog, ValuesAndTheOrderOfChecks) {
    CAutoTimeSyncDlg fresh(AutoTimeSyncValues{});
    EXPECT_EQ(fresh.windowTitle(), "Automatic Time Synchronize");
    EXPECT_EQ(fresh.values().mode, -1);

    HostSettings s;
    s.Auto_Time_Sync = AutoTimeSync::Specify;
    CAutoTimeSyncDlg dialog(autoTimeSyncValuesFor(s));
    EXPECT_TRUE(radio(dialog, "Sync. Time on specify time period when polling")->isChecked());
    EXPECT_EQ(dialog.fromFields()[0]->text(), "6");
    EXPECT_EQ(dialog.toFields()[0]->text(), "8");

    setClock(dialog.fromFields(), "24", "60", "60");
    setClock(dialog.toFields(), "-1", "60", "60");
    const QLineEdit* order[] = {dialog.fromFields()[0], dialog.toFields()[0],
                                dialog.fromFields()[1], dialog.toFields()[1],
                                dialog.fromFields()[2], dialog.toFields()[2]};
    const char* fixes[] = {"23", "0", "59", "1", "9", "59"};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_NE(pressOk(dialog), "") << i;
        EXPECT_EQ(dialog.focusWidget(), order[i]) << i;
        const_cast<QLineEdit*>(order[i])->setText(fixes[i]);
    }
    radio(dialog, "Sync. time after polling is executed")->click();
    EXPECT_EQ(pressOk(dialog), "");
    applyAutoTimeSyncValues(dialog.values(), s);
    EXPECT_EQ(s.Auto_Time_Sync, AutoTimeSync::Start);
    EXPECT_EQ(s.Auto_Time_Sync_Start, "23:59:09");
    EXPECT_EQ(s.Auto_Time_Sync_Stop, "00:01:59");
}

TEST(HostTimeSyncDialog, YearAndDayBoundsAndTheOrderOfChecks) {
    CTimeSyncDlg fresh(TimeSyncValues{});
    EXPECT_EQ(fresh.windowTitle(), "Time Synchronize");
    EXPECT_EQ(fresh.values().source, -1);

    CTimeSyncDlg dialog(TimeSyncValues{0, 2024, 2, 31, 12, 0, 0});
    EXPECT_TRUE(radio(dialog, "System time")->isChecked());
    QLineEdit* year = dialog.dateFields()[0];
    EXPECT_EQ(pressOk(dialog), "");  // day 31 in any month
    for (const char* refused : {"1989", "2039"}) {
        year->setText(refused);
        EXPECT_EQ(pressOk(dialog), "Please enter an integer between 1990 and 2038.") << refused;
        EXPECT_EQ(dialog.focusWidget(), year);
    }
    year->setText("-2000");
    EXPECT_EQ(pressOk(dialog), "Please enter a positive integer.");
    for (const char* accepted : {"1990", "2038"}) {
        year->setText(accepted);
        EXPECT_EQ(pressOk(dialog), "") << accepted;
    }
    EXPECT_EQ(dialog.values().year, 2038);

    // day, hour, minute, month, second, year
    dialog.dateFields()[0]->setText("0");
    dialog.dateFields()[1]->setText("13");
    dialog.dateFields()[2]->setText("32");
    setClock(dialog.timeFields(), "24", "-1", "60");
    const std::pair<QLineEdit*, QString> expected[] = {
        {dialog.dateFields()[2], "Please enter an integer between 1 and 31."},
        {dialog.timeFields()[0], "Please enter an integer between 0 and 23."},
        {dialog.timeFields()[1], "Please enter a positive integer."},
        {dialog.dateFields()[1], "Please enter an integer between 1 and 12."},
        {dialog.timeFields()[2], "Please enter an integer between 0 and 59."},
        {dialog.dateFields()[0], "Please enter an integer between 1990 and 2038."},
    };
    const char* fixes[] = {"1", "23", "59", "12", "0", "1999"};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(pressOk(dialog), expected[i].second) << i;
        EXPECT_EQ(dialog.focusWidget(), expected[i].first) << i;
        expected[i].first->setText(fixes[i]);
    }
    radio(dialog, "Bellow specified time")->click();
    EXPECT_EQ(pressOk(dialog), "");
    const TimeSyncValues v = dialog.values();
    EXPECT_EQ(v.source, 1);
    EXPECT_EQ((std::array{v.year, v.month, v.day, v.hour, v.minute, v.second}),
              (std::array{1999, 12, 1, 23, 59, 0}));
}

TEST(HostInputLineDialog, ShowsTheCallersCaption) {
    CInputLineDlg hidden("Input New Password", "");
    EXPECT_EQ(hidden.windowTitle(), "Send Application Data");
    {
        ModalAnswerer answerer([](QWidget* widget) {
            qobject_cast<CInputLineDlg*>(widget)->field()->setText("1234");
            pressDialogButton(widget, QDialogButtonBox::Ok);
        });
        EXPECT_EQ(askInputLine("Input New Password", nullptr), "1234");
        EXPECT_EQ(answerer.lastTitle(), "Input New Password");
    }
    ModalAnswerer answerer(
        [](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Cancel); });
    EXPECT_EQ(askInputLine("Input application data", nullptr, "abc"), std::nullopt);
    EXPECT_EQ(answerer.lastTitle(), "Input application data");
}

TEST(HostRemoteConfigDialog, BrowseOffersKd24FilesAndFillsThePath) {
    TempFolder folder;
    writeFile(folder.file("site.KD24"), "cfg");
    const QString chosen = QString::fromStdString(folder.file("site.KD24"));
    CRemoteConfigDlg dialog("old.KD24");
    EXPECT_EQ(dialog.windowTitle(), "Remote configuration KD24");
    EXPECT_EQ(dialog.pathField()->text(), "old.KD24");
    FileDialogSeen seen;
    {
        ModalAnswerer answerer(chooseFile(chosen, &seen));
        pressButtonNamed(&dialog, "Browse");
    }
    EXPECT_EQ(seen.filters, nameFiltersFromFilterText(kKd24FilesFilter));
    EXPECT_EQ(dialog.path(), chosen);

    ModalAnswerer answerer(
        [](QWidget* widget) { pressDialogButton(widget, QDialogButtonBox::Cancel); });
    EXPECT_EQ(askRemoteConfigFile("x.KD24", nullptr), std::nullopt);
    EXPECT_EQ(answerer.answered(), 1);
}
