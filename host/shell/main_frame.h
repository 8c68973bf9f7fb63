#pragma once

#include <QList>
#include <QMainWindow>
#include <QRect>
#include <map>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace vantrel {

class CVantrelView;
class GuideHelp;
class LineTraceWindow;
class LogPane;

// The main window's size and position between runs, in this file beside Vantcom.ini: the
// window is no setting of the terminals' line and stays out of that file.
inline constexpr const char* kWindowPlaceFile = "vantrel-window.ini";

// Where the main window opens: the saved place when it fits one of the screens (available
// areas) with its title bar on it, otherwise the default size centred on the first screen.
QRect windowPlace(const QRect& saved, const QList<QRect>& screens, const QSize& defaultSize);

// The main window: menus, toolbar, status bar, the panes, and the view as client area.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    CVantrelView* view() const { return view_; }
    LogPane* messagePane() const { return messagePane_; }
    LogPane* dataPane() const { return dataPane_; }
    LineTraceWindow* lineTrace() const { return lineTrace_; }
    QToolBar* toolBar() const { return toolBar_; }
    // On the status bar while a file moves, hidden otherwise.
    QProgressBar* transferProgressBar() const { return progressBar_; }
    // On the status bar: the device of the configured COM, "COM2: /dev/ttyUSB0".
    QLabel* portDeviceLabel() const { return portLabel_; }
    // The menu or toolbar action of a command (the menu's when both exist).
    QAction* commandAction(int id) const;
    // The operator's guide: Help Topics and F1.
    GuideHelp* guide() const { return guide_; }

    // Brings every action in line with the ready flag, the line state and the handlers.
    void updateCommandStates();
    // Whether the operator may start the command now: enabled, and not one that must wait
    // until the command still running has returned (Stop gives the ready flag back at once).
    bool operatorMayRun(int id) const;
    void fontBigger();
    void fontSmaller();
    // Closes without the exit question (command-line and batch runs).
    void closeWithoutAsking();
    // SIGTERM or SIGINT: noted, every open box and dialog cancelled (the exit question too),
    // a running command stopped, and the window closed without asking.
    void endOnSignal(const char* signalName);
    // The first showing opens at the remembered place, unless a size was set already.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, const QString& text, int id);
    void runFromOperator(int id);
    void buildMenus();
    void buildSetupMenu();
    void buildExecuteMenu();
    void buildSetTerminalMenu(QMenu* execute);
    void buildPortWindowHelpMenus();
    void buildToolBar();
    void buildStatusBar();
    void createPanes();
    void registerFrameCommands();
    void applyFontSize();
    void showAbout();
    void showDllVersion();
    void updateLockIndicators(QEvent* event);
    void showTransferProgress(qint64 done, qint64 total);
    void updatePortDevice();
    QString windowPlacePath() const;
    bool windowPlaceFileUsable() const;
    void restoreWindowPlace();
    void saveWindowPlace() const;

    CVantrelView* view_;
    LogPane* messagePane_ = nullptr;
    LogPane* dataPane_ = nullptr;
    LineTraceWindow* lineTrace_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    GuideHelp* guide_ = nullptr;
    std::multimap<int, QAction*> actions_;
    QProgressBar* progressBar_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QLabel* capsIndicator_ = nullptr;
    QLabel* numIndicator_ = nullptr;
    QLabel* scrollIndicator_ = nullptr;
    bool skipExitQuestion_ = false;
    bool exitConfirmed_ = false;
    bool placed_ = false;
};

}  // namespace vantrel
