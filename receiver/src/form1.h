// The receiver's one window: port and speed choice, update mode, and the reception that stores
// each received text line in the output file until "END".
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <vector>

#include "line_collector.h"
#include "serial_devices.h"
#include "serial_line.h"
#include "setup_file.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tembra {

inline constexpr char kWindowTitle[] = "Tembra Ver. 1.0.0";

// Pauses and limits of a reception; tests shorten them.
struct ReceptionTiming {
    int idlePassLimit = 400000;  // passes without a new line, once a first line came
    std::chrono::milliseconds openPause{500};
    std::chrono::milliseconds donePause{1000};
    std::chrono::milliseconds closePause{1000};
    // Longest wait of one pass for a character. Once a line came, quiet passes count towards
    // the limit, so their wait sets how long the limit lasts (about two minutes here).
    std::chrono::microseconds quietWait{200};
    // Before the first line no limit applies and the pass can wait longer, saving CPU.
    std::chrono::microseconds quietWaitBeforeFirstLine{10000};
};

using DeviceLister = std::function<std::vector<vantdev::SerialDevice>()>;

struct Form1Options {
    SetupLocation setup;
    ReceptionTiming timing;
    // The serial devices that the device list offers; tests give recorded ones.
    DeviceLister listDevices = vantdev::list_serial_devices;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Form1Options options, QWidget* parent = nullptr);

    // Selects "Aggiungi" and loads Setup.ini. On failure shows why and returns false: the
    // program must then end.
    bool startUp();

    int portNumber() const { return comm_->commPort(); }
    QString portSettings() const { return comm_->settings(); }
    QByteArray outputFile() const { return setup_.outputFile; }
    bool isReceiving() const { return receiving_; }
    QByteArray unfinishedLine() const { return collector_.unfinishedLine(); }
    qint64 passCount() const { return passCount_; }

signals:
    void statusShown(const QString& text, const QColor& colour);
    void lineStored(const QByteArray& line);
    void receptionEnded();
    // The program has to end now, with this exit code.
    void programEnding(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class LoopEnd { Completed, Interrupted, ProgramEnding };

    void buildControls();
    QWidget* buildCommunicationGroup();
    QWidget* buildUpdateGroup();
    void setTabOrderAsDrawn();
    void showSetupValues();
    void configureLine();

    // The device part shows the COM that "Applica" would select, and what is chosen for it.
    int selectedPort() const;
    void refreshDevices();
    void showDevicePart();
    void chooseDeviceRow(int row);
    void takeDeviceField(const QString& text);
    void selectRowFor(const QString& path);

    void applySettings();
    void receiveData();
    bool openOutputFile();
    LoopEnd receiveLines();
    bool storeLine(const QByteArray& line);
    void finishReception(LoopEnd end);
    void showInfo();
    void fail(const QString& message);
    void endProgram(int exitCode);

    void showStatus(const QString& text, const QColor& colour);
    void showStatus(const QString& text);
    void pause(std::chrono::milliseconds duration);

    Form1Options options_;
    SetupValues setup_;
    SerialLine* comm_;
    LineCollector collector_;
    QFile output_;
    qint16 stopFlag_ = 0;
    bool receiving_ = false;
    bool ending_ = false;
    qint64 passCount_ = 0;

    // The device chosen for each COM, as the device part shows it until "Applica" saves it.
    std::array<QByteArray, kSetupPorts> chosenDevices_{};
    std::vector<vantdev::SerialDevice> devices_;
    int devicePort_ = 0;  // the COM the device part shows
    bool showingDevice_ = false;

    QComboBox* portCombo_ = nullptr;
    QListWidget* deviceList_ = nullptr;
    QLineEdit* deviceField_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QLabel* deviceNote_ = nullptr;
    QComboBox* speedCombo_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QRadioButton* appendOption_ = nullptr;
    QRadioButton* replaceOption_ = nullptr;
    QPushButton* interruptButton_ = nullptr;
    QPushButton* receiveButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* infoButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QColor statusColour_;
};

}  // namespace tembra
