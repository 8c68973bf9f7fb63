// "Polling Data file", "Automatic Time Synchronize", "Time Synchronize", the input line and
// "Remote configuration KD24".
#include "polling_time_dlgs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>
#include <vector>

#include "dialog_parts.h"
#include "file_open_dlg.h"
#include "modal_boxes.h"
#include "polling_time_dlg_classes.h"

namespace vantrel {

namespace {

// The longest poll data file name the settings file gives back.
constexpr std::size_t kPollFileNameMax = 99;
// The room the settings file has for the KD24 configuration file's path.
constexpr std::size_t kConfigFileNameMax = 99;

IntegerFieldRule rangeRule(int min, int max) {
    IntegerFieldRule rule;
    rule.min = min;
    rule.max = max;
    return rule;
}

IntegerFieldRule unsignedRangeRule(int min, int max) {
    IntegerFieldRule rule = rangeRule(min, max);
    rule.typeMin = 0;
    rule.typeMax = UINT32_MAX;
    rule.isUnsigned = true;
    return rule;
}

const IntegerFieldRule kHourRule = rangeRule(0, 23);
const IntegerFieldRule kMinuteRule = rangeRule(0, 59);

struct CheckedField {
    QLineEdit* field;
    IntegerFieldRule rule;
    int* target;
};

// Reads the fields in the order given; the first one refused stops it and nothing is stored.
bool readFieldsInOrder(const std::vector<CheckedField>& fields) {
    std::vector<int> read;
    for (const auto& checked : fields) {
        const auto value = readIntegerField(checked.field, checked.rule);
        if (!value) return false;
        read.push_back(static_cast<int>(*value));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) *fields[i].target = read[i];
    return true;
}

QLineEdit* numberField(QWidget* owner, int value) {
    auto* field = new QLineEdit(QString::number(value), owner);
    field->setMaximumWidth(60);
    return field;
}

// "label [hh] : [mm] : [ss]" on one grid row.
ClockFieldEdits addClockRow(QWidget* owner, QGridLayout* grid, int row, const QString& label,
                            const ClockFields& time) {
    const ClockFieldEdits fields = {numberField(owner, time.hour), numberField(owner, time.minute),
                                    numberField(owner, time.second)};
    grid->addWidget(new QLabel(label, owner), row, 0);
    for (int i = 0; i < 3; ++i) grid->addWidget(fields[i], row, 1 + i);
    return fields;
}

QPushButton* addBrowseButton(QWidget* owner, QBoxLayout* layout) {
    auto* browse = new QPushButton("Browse", owner);
    // Enter still means OK.
    browse->setAutoDefault(false);
    layout->addWidget(browse);
    return browse;
}

void check(QButtonGroup* group, int index) {
    if (auto* button = group->button(index)) button->setChecked(true);
}

template <typename T>
void storeChoice(int index, int count, T& field) {
    if (index >= 0 && index < count) field = static_cast<T>(index);
}

template <typename Dialog, typename Values>
std::optional<Values> runForValues(Dialog& dialog) {
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.values();
}

}  // namespace

ClockFields clockFieldsOf(const std::string& timeText) {
    const std::string normal = normaliseTime(timeText);
    ClockFields time;
    std::sscanf(normal.c_str(), "%d:%d:%d", &time.hour, &time.minute, &time.second);
    return time;
}

std::string clockText(const ClockFields& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", time.hour, time.minute, time.second);
    return text;
}

PollingDataValues pollingDataValuesFor(const HostSettings& s) {
    PollingDataValues v;
    v.fileName = s.File_Name;
    v.openMethod = static_cast<int>(s.Open_Method);
    v.pollingPeriod = static_cast<int>(s.Polling_Period);
    v.start = clockFieldsOf(s.Start_Time);
    v.stop = clockFieldsOf(s.Stop_Time);
    v.errorThreshold = s.MaxError;
    v.tokenMode = s.Token_file ? 0 : 1;
    v.noDataWait = s.Poll_Max_Wait_Time;
    return v;
}

void applyPollingDataValues(const PollingDataValues& v, HostSettings& s) {
    s.File_Name = v.fileName;
    storeChoice(v.openMethod, 2, s.Open_Method);
    storeChoice(v.pollingPeriod, 3, s.Polling_Period);
    s.Start_Time = clockText(v.start);
    s.Stop_Time = clockText(v.stop);
    // With polling windows in use every load puts window 0 in force, so the pair the dialog
    // showed (window 0 after the load) is kept there too; else the next load would undo it.
    if (s.Poll_Period_Specify_Counter > 0) {
        s.Start_Times[0] = s.Start_Time;
        s.Stop_Times[0] = s.Stop_Time;
    }
    // What the next load would make of it.
    s.MaxError = v.errorThreshold < 0 || v.errorThreshold > 100 ? 1 : v.errorThreshold;
    if (v.tokenMode == 0 || v.tokenMode == 1) s.Token_file = v.tokenMode == 0;
    s.Poll_Max_Wait_Time = v.noDataWait;
}

AutoTimeSyncValues autoTimeSyncValuesFor(const HostSettings& s) {
    return {static_cast<int>(s.Auto_Time_Sync), clockFieldsOf(s.Auto_Time_Sync_Start),
            clockFieldsOf(s.Auto_Time_Sync_Stop)};
}

void applyAutoTimeSyncValues(const AutoTimeSyncValues& v, HostSettings& s) {
    storeChoice(v.mode, 3, s.Auto_Time_Sync);
    s.Auto_Time_Sync_Start = clockText(v.from);
    s.Auto_Time_Sync_Stop = clockText(v.to);
}

// --- Polling Data file ---

CPollingDataDlg::CPollingDataDlg(const PollingDataValues& initial, QWidget* parent)
    : FittedDialog(parent),
      values_(initial),
      openedFileName_(initial.fileName),
      fileName_(new QLineEdit(QString::fromStdString(initial.fileName), this)),
      openMethod_(nullptr),
      pollingPeriod_(new QButtonGroup(this)),
      errorThreshold_(numberField(this, initial.errorThreshold)),
      tokenMode_(nullptr),
      noDataWait_(numberField(this, initial.noDataWait)) {
    setWindowTitle("Polling Data file");
    fileName_->setMaxLength(static_cast<int>(kPollFileNameMax));
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel("FileName:", this));
    fileRow->addWidget(fileName_, 1);
    connect(addBrowseButton(this, fileRow), &QPushButton::clicked, this, &CPollingDataDlg::browse);
    layout->addLayout(fileRow);

    auto* choices = new QHBoxLayout;
    openMethod_ =
        addRadioGroup(this, choices, "File Open Method", {"Append", "New"}, initial.openMethod);
    tokenMode_ = addRadioGroup(this, choices, "Token File",
                               {"On (use token file)", "No Token (Share file)"}, initial.tokenMode);
    layout->addLayout(choices);

    auto* periodBox = new QGroupBox(this);
    auto* period = new QGridLayout(periodBox);
    pollingPeriod_->addButton(new QRadioButton("Continuous Polling", periodBox), 0);
    pollingPeriod_->addButton(new QRadioButton("Specify Polling Period (HH:MM:SS)", periodBox), 1);
    pollingPeriod_->addButton(new QRadioButton("Stop poll when no data for", periodBox), 2);
    period->addWidget(pollingPeriod_->button(0), 0, 0, 1, 4);
    period->addWidget(pollingPeriod_->button(1), 1, 0, 1, 4);
    start_ = addClockRow(periodBox, period, 2, "Start Time", initial.start);
    stop_ = addClockRow(periodBox, period, 3, "Stop Time", initial.stop);
    period->addWidget(pollingPeriod_->button(2), 4, 0);
    period->addWidget(noDataWait_, 4, 1);
    period->addWidget(new QLabel("seconds", periodBox), 4, 2, 1, 2);
    check(pollingPeriod_, initial.pollingPeriod);
    layout->addWidget(periodBox);

    auto* errorRow = new QHBoxLayout;
    errorRow->addWidget(new QLabel("Store to error log file when time-out occurs", this));
    errorRow->addWidget(errorThreshold_);
    errorRow->addWidget(new QLabel("Times", this));
    layout->addLayout(errorRow);
    addOkCancel(this, layout);

    connect(fileName_, &QLineEdit::textChanged, this, [this] {
        if (!restoring_) takeAllFields();
    });
}

bool CPollingDataDlg::takeAllFields() {
    PollingDataValues next = values_;
    const bool read = readFieldsInOrder({{start_[0], kHourRule, &next.start.hour},
                                         {start_[1], kMinuteRule, &next.start.minute},
                                         {start_[2], kMinuteRule, &next.start.second},
                                         {stop_[0], kHourRule, &next.stop.hour},
                                         {stop_[1], kMinuteRule, &next.stop.minute},
                                         {stop_[2], kMinuteRule, &next.stop.second},
                                         {errorThreshold_, {}, &next.errorThreshold},
                                         {noDataWait_, {}, &next.noDataWait}});
    if (!read) return false;
    next.fileName = fileName_->text().toStdString();
    next.openMethod = checkedIndex(openMethod_);
    next.pollingPeriod = checkedIndex(pollingPeriod_);
    next.tokenMode = checkedIndex(tokenMode_);
    values_ = next;
    return true;
}

void CPollingDataDlg::browse() {
    const auto chosen = chooseFileToOpen(this, {kAllFilesFilter, QString(), false});
    if (!chosen) return;
    // A longer name would come back cut short from the settings file: another file.
    if (!fitsSettingsText(this, *chosen, kPollFileNameMax)) return;
    values_.fileName = chosen->toStdString();
    fileName_->setText(*chosen);
}

void CPollingDataDlg::accept() {
    // Typed names too: the settings file would give a longer one back as another file.
    if (!fitsSettingsText(this, fileName_->text(), kPollFileNameMax)) return;
    if (takeAllFields()) QDialog::accept();
}

void CPollingDataDlg::reject() {
    values_.fileName = openedFileName_;
    // Shown again without taking the fields: closing must not complain about them.
    restoring_ = true;
    fileName_->setText(QString::fromStdString(openedFileName_));
    restoring_ = false;
    QDialog::reject();
}

// --- Automatic Time Synchronize ---

CAutoTimeSyncDlg::CAutoTimeSyncDlg(const AutoTimeSyncValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial) {
    setWindowTitle("Automatic Time Synchronize");
    auto* layout = new QVBoxLayout(this);
    mode_ = addRadioGroup(this, layout, QString(),
                          {"None", "Sync. time after polling is executed",
                           "Sync. Time on specify time period when polling"},
                          initial.mode);
    auto* times = new QGridLayout;
    from_ = addClockRow(this, times, 0, "From", initial.from);
    to_ = addClockRow(this, times, 1, "To", initial.to);
    layout->addLayout(times);
    addOkCancel(this, layout);
}

void CAutoTimeSyncDlg::accept() {
    AutoTimeSyncValues next = values_;
    const bool read = readFieldsInOrder({{from_[0], kHourRule, &next.from.hour},
                                         {to_[0], kHourRule, &next.to.hour},
                                         {from_[1], kMinuteRule, &next.from.minute},
                                         {to_[1], kMinuteRule, &next.to.minute},
                                         {from_[2], kMinuteRule, &next.from.second},
                                         {to_[2], kMinuteRule, &next.to.second}});
    if (!read) return;
    next.mode = checkedIndex(mode_);
    values_ = next;
    QDialog::accept();
}

// --- Time Synchronize ---

CTimeSyncDlg::CTimeSyncDlg(const TimeSyncValues& initial, QWidget* parent)
    : FittedDialog(parent), values_(initial) {
    setWindowTitle("Time Synchronize");
    auto* layout = new QVBoxLayout(this);
    source_ = addRadioGroup(this, layout, "Sync. with", {"System time", "Bellow specified time"},
                            initial.source);
    auto* fields = new QGridLayout;
    date_ = {numberField(this, initial.year), numberField(this, initial.month),
             numberField(this, initial.day)};
    time_ =
        addClockRow(this, fields, 1, "HH:MM:SS", {initial.hour, initial.minute, initial.second});
    fields->addWidget(new QLabel("YYYY:MM:DD", this), 0, 0);
    for (int i = 0; i < 3; ++i) fields->addWidget(date_[i], 0, 1 + i);
    layout->addLayout(fields);
    addOkCancel(this, layout);
}

void CTimeSyncDlg::accept() {
    TimeSyncValues next = values_;
    const bool read = readFieldsInOrder({{date_[2], unsignedRangeRule(1, 31), &next.day},
                                         {time_[0], unsignedRangeRule(0, 23), &next.hour},
                                         {time_[1], unsignedRangeRule(0, 59), &next.minute},
                                         {date_[1], unsignedRangeRule(1, 12), &next.month},
                                         {time_[2], unsignedRangeRule(0, 59), &next.second},
                                         {date_[0], unsignedRangeRule(1990, 2038), &next.year}});
    if (!read) return;
    next.source = checkedIndex(source_);
    values_ = next;
    QDialog::accept();
}

// --- the input line ---

CInputLineDlg::CInputLineDlg(const QString& caption, const QString& text, QWidget* parent)
    : FittedDialog(parent), caption_(caption), field_(new QLineEdit(text, this)) {
    setWindowTitle("Send Application Data");
    auto* layout = new QVBoxLayout(this);
    // The title alone is easily cut or missed: the prompt stands above the field as well.
    auto* prompt = new QLabel(caption, this);
    prompt->setBuddy(field_);
    layout->addWidget(prompt);
    layout->addWidget(field_);
    addOkCancel(this, layout);
}

QString CInputLineDlg::text() const {
    return field_->text();
}

void CInputLineDlg::showEvent(QShowEvent* event) {
    setWindowTitle(caption_);
    FittedDialog::showEvent(event);
}

// --- Remote configuration KD24 ---

CRemoteConfigDlg::CRemoteConfigDlg(const QString& path, QWidget* parent)
    : FittedDialog(parent), path_(new QLineEdit(path, this)) {
    setWindowTitle("Remote configuration KD24");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("KD24 Configuration file", this));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    connect(addBrowseButton(this, pathRow), &QPushButton::clicked, this, &CRemoteConfigDlg::browse);
    layout->addLayout(pathRow);
    addOkCancel(this, layout);
}

QString CRemoteConfigDlg::path() const {
    return path_->text();
}

void CRemoteConfigDlg::accept() {
    if (fitsSettingsText(this, path_->text(), kConfigFileNameMax)) QDialog::accept();
}

void CRemoteConfigDlg::browse() {
    if (const auto chosen = chooseFileToOpen(this, {kKd24FilesFilter, QString(), true}))
        path_->setText(*chosen);
}

// --- asking ---

std::optional<PollingDataValues> askPollingData(const PollingDataValues& initial, QWidget* owner) {
    CPollingDataDlg dialog(initial, owner);
    return runForValues<CPollingDataDlg, PollingDataValues>(dialog);
}

std::optional<AutoTimeSyncValues> askAutoTimeSync(const AutoTimeSyncValues& initial,
                                                  QWidget* owner) {
    CAutoTimeSyncDlg dialog(initial, owner);
    return runForValues<CAutoTimeSyncDlg, AutoTimeSyncValues>(dialog);
}

std::optional<TimeSyncValues> askTimeSync(const TimeSyncValues& initial, QWidget* owner) {
    CTimeSyncDlg dialog(initial, owner);
    return runForValues<CTimeSyncDlg, TimeSyncValues>(dialog);
}

std::optional<std::string> askInputLine(const std::string& caption, QWidget* owner,
                                        const std::string& initial) {
    CInputLineDlg dialog(QString::fromStdString(caption), QString::fromStdString(initial), owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.text().toStdString();
}

std::optional<std::string> askRemoteConfigFile(const std::string& initialPath, QWidget* owner) {
    CRemoteConfigDlg dialog(QString::fromStdString(initialPath), owner);
    if (runDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.path().toStdString();
}

}  // namespace vantrel
