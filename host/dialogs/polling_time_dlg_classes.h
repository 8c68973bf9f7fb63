// The dialogs behind polling_time_dlgs.h.
#pragma once

#include <QDialog>

#include <array>
#include "dialog_parts.h"

#include "polling_time_dlgs.h"

class QButtonGroup;
class QLineEdit;

namespace vantrel {

using ClockFieldEdits = std::array<QLineEdit*, 3>;  // hour, minute, second

// "Polling Data file": the poll data file, its open method, when polling runs and stops, the
// time-out threshold and the token file.
class CPollingDataDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CPollingDataDlg(const PollingDataValues& initial, QWidget* parent = nullptr);

    // The values as last taken from the fields.
    const PollingDataValues& values() const { return values_; }
    QLineEdit* fileNameField() const { return fileName_; }
    const ClockFieldEdits& startFields() const { return start_; }
    const ClockFieldEdits& stopFields() const { return stop_; }
    QLineEdit* errorThresholdField() const { return errorThreshold_; }
    QLineEdit* noDataWaitField() const { return noDataWait_; }

    // Every field into the values, checked in order; false (and the operator told) when one
    // is refused, and then nothing is taken.
    bool takeAllFields();
    void browse();
    void accept() override;
    void reject() override;

private:
    PollingDataValues values_;
    std::string openedFileName_;
    bool restoring_ = false;
    QLineEdit* fileName_;
    QButtonGroup* openMethod_;
    QButtonGroup* pollingPeriod_;
    ClockFieldEdits start_{};
    ClockFieldEdits stop_{};
    QLineEdit* errorThreshold_;
    QButtonGroup* tokenMode_;
    QLineEdit* noDataWait_;
};

// "Automatic Time Synchronize": whether and when the terminals' clocks follow the PC's.
class CAutoTimeSyncDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CAutoTimeSyncDlg(const AutoTimeSyncValues& initial, QWidget* parent = nullptr);

    const AutoTimeSyncValues& values() const { return values_; }
    const ClockFieldEdits& fromFields() const { return from_; }
    const ClockFieldEdits& toFields() const { return to_; }

    void accept() override;

private:
    AutoTimeSyncValues values_;
    QButtonGroup* mode_;
    ClockFieldEdits from_{};
    ClockFieldEdits to_{};
};

// "Time Synchronize": the date and time the terminals are set to.
class CTimeSyncDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CTimeSyncDlg(const TimeSyncValues& initial, QWidget* parent = nullptr);

    const TimeSyncValues& values() const { return values_; }
    const std::array<QLineEdit*, 3>& dateFields() const { return date_; }  // year, month, day
    const ClockFieldEdits& timeFields() const { return time_; }

    void accept() override;

private:
    TimeSyncValues values_;
    QButtonGroup* source_;
    std::array<QLineEdit*, 3> date_{};
    ClockFieldEdits time_{};
};

// One line of text; the window bears the caller's caption.
class CInputLineDlg : public FittedDialog {
    Q_OBJECT
public:
    CInputLineDlg(const QString& caption, const QString& text, QWidget* parent = nullptr);

    QString text() const;
    QLineEdit* field() const { return field_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString caption_;
    QLineEdit* field_;
};

// "Remote configuration KD24": the configuration file sent to KD24 terminals.
class CRemoteConfigDlg : public FittedDialog {
    Q_OBJECT
public:
    explicit CRemoteConfigDlg(const QString& path, QWidget* parent = nullptr);

    QString path() const;
    QLineEdit* pathField() const { return path_; }
    void browse();
    void accept() override;

private:
    QLineEdit* path_;
};

}  // namespace vantrel
