#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <limits>

#include "command_ids.h"
#include "command_table.h"
#include "help_window.h"
#include "input_file.h"
#include "line_trace_window.h"
#include "link_glue.h"
#include "log_pane.h"
#include "modal_boxes.h"
#include "pictures.h"
#include "port_choice.h"
#include "result_reporter.h"
#include "vant_version.h"
#include "vantrel_view.h"

namespace vantrel {

namespace {

constexpr int kSmallestGrowableFont = 9;
constexpr int kFontStep = 2;
// Smaller than this, a remembered window is a damaged file's, not the operator's choice.
constexpr QSize kSmallestPlace(200, 150);
// The strip at the top that the operator grabs to move the window, and how much of it must
// lie on a screen.
constexpr int kTitleStrip = 30;
constexpr int kGrabbableWidth = 100;
constexpr int kGrabbableHeight = 20;

}  // namespace

QRect windowPlace(const QRect& saved, const QList<QRect>& screens, const QSize& defaultSize) {
    const QRect first = screens.isEmpty() ? QRect(QPoint(0, 0), defaultSize) : screens.front();
    QRect fallback(QPoint(0, 0), defaultSize.boundedTo(first.size()));
    fallback.moveCenter(first.center());
    if (!saved.isValid() || saved.width() < kSmallestPlace.width() ||
        saved.height() < kSmallestPlace.height())
        return fallback;
    const QRect strip(saved.topLeft(), QSize(saved.width(), kTitleStrip));
    for (const QRect& screen : screens) {
        const QRect onScreen = screen.intersected(strip);
        if (onScreen.width() >= kGrabbableWidth && onScreen.height() >= kGrabbableHeight &&
            saved.width() <= screen.width() && saved.height() <= screen.height())
            return saved;
    }
    return fallback;
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), view_(new CVantrelView(this)) {
    setWindowTitle(QApplication::applicationName());
    setCentralWidget(view_);
    buildMenus();
    buildToolBar();
    buildStatusBar();
    createPanes();
    view_->attachPanes(messagePane_, dataPane_);
    registerFrameCommands();
    connect(view_, &CVantrelView::commandStatesChanged, this, &CMainFrame::updateCommandStates);
    connect(view_, &CVantrelView::closeReady, this, &CMainFrame::closeWithoutAsking);
    connect(view_, &CVantrelView::transferProgressChanged, this, &CMainFrame::showTransferProgress);
    connect(view_, &CVantrelView::transferProgressEnded, progressBar_, &QWidget::hide);
    connect(view_, &CVantrelView::settingsChanged, this, &CMainFrame::updatePortDevice);
    updateCommandStates();
    updatePortDevice();
}

QAction* CMainFrame::addCommand(QMenu* menu, const QString& text, int id) {
    auto* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { runFromOperator(id); });
    actions_.emplace(id, action);
    return action;
}

bool CMainFrame::operatorMayRun(int id) const {
    if (view_->commandRunning() && heldWhileCommandRuns(id)) return false;
    return view_->isCommandEnabled(id);
}

// A menu or toolbar choice can arrive from the message pump inside a running command, whose
// actions were enabled when its menu was last shown.
void CMainFrame::runFromOperator(int id) {
    if (operatorMayRun(id)) view_->runCommand(id);
}

QAction* CMainFrame::commandAction(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::buildMenus() {
    buildSetupMenu();
    buildExecuteMenu();
    buildPortWindowHelpMenus();
    for (auto* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
}

void CMainFrame::buildSetupMenu() {
    auto* setup = menuBar()->addMenu("&Setup");
    addCommand(setup, "&Terminal", ID_SETUP_TERMINAL);
    addCommand(setup, "&Parameter", ID_SETUP_PARAMETER);
    addCommand(setup, "Download cfg.", ID_SETUP_DOWNLOAD_CFG);
    addCommand(setup, "Upload cfg.", ID_SETUP_UPLOAD_CFG);
    addCommand(setup, "Poll", ID_SETUP_POLL);
    addCommand(setup, "Modem", ID_SETUP_MODEM);
    addCommand(setup, "Time Synchronize", ID_SETUP_TIME_SYNC);
    addCommand(setup, "Command Line setting", ID_SETUP_COMMAND_LINE);
    setup->addSeparator();
    addCommand(setup, "E&xit", ID_APP_EXIT);
}

void CMainFrame::buildExecuteMenu() {
    auto* execute = menuBar()->addMenu("&Execute");
    addCommand(execute, "Cold Start", ID_EXEC_COLD_START);
    addCommand(execute, "Download", ID_EXEC_DOWNLOAD);
    addCommand(execute, "Download (From Dir)", ID_EXEC_DOWNLOAD_DIR);
    auto* inquire = execute->addMenu("Inquire Terminal's");
    addCommand(inquire, "RAM Size", ID_INQ_RAM_SIZE);
    addCommand(inquire, "ROM Size", ID_INQ_ROM_SIZE);
    addCommand(inquire, "Running Program", ID_INQ_RUNNING_PROGRAM);
    addCommand(inquire, "Directory", ID_INQ_DIRECTORY);
    addCommand(inquire, "Directory (Flash ROM)", ID_INQ_DIRECTORY_ROM);
    addCommand(inquire, "File Exist", ID_INQ_FILE_EXIST);
    addCommand(inquire, "Firmware Version", ID_INQ_FIRMWARE);
    addCommand(inquire, "Terminal ID", ID_INQ_TERMINAL_ID);
    addCommand(inquire, "Upload Mode", ID_INQ_UPLOAD_MODE);
    addCommand(execute, "Kermit", ID_EXEC_KERMIT);
    addCommand(execute, "KD24 CFG", ID_EXEC_KD24_CFG);
    addCommand(execute, "Poll", ID_EXEC_POLL);
    auto* power = execute->addMenu("Power Saving");
    addCommand(power, "OFF", ID_POWER_SAVING_OFF);
    addCommand(power, "ON", ID_POWER_SAVING_ON);
    addCommand(execute, "Purge (Delete)", ID_EXEC_PURGE);
    addCommand(execute, "Run", ID_EXEC_RUN);
    addCommand(execute, "Run (Flash ROM)", ID_EXEC_RUN_ROM);
    addCommand(execute, "Send Data", ID_EXEC_SEND_DATA);
    buildSetTerminalMenu(execute);
    addCommand(execute, "Upload", ID_EXEC_UPLOAD);
    addCommand(execute, "Upload (From Dir)", ID_EXEC_UPLOAD_DIR);
    addCommand(execute, "Warm start", ID_EXEC_WARM_START);
    execute->addSeparator();
    addCommand(execute, "Run Batch Script", ID_EXEC_BATCH_SCRIPT);
    addCommand(execute, "Stop", ID_EXEC_STOP);
}

void CMainFrame::buildSetTerminalMenu(QMenu* execute) {
    auto* set = execute->addMenu("Set Terminal's");
    addCommand(set, "Address", ID_SET_ADDRESS);
    addCommand(set, "AutoBoot Program", ID_SET_AUTOBOOT);
    addCommand(set, "Bar Config. table", ID_SET_BAR_TABLE);
    auto* buzzer = set->addMenu("Buzzer");
    addCommand(buzzer, "Low", ID_SET_BUZZER_LOW);
    addCommand(buzzer, "Medium", ID_SET_BUZZER_MEDIUM);
    addCommand(buzzer, "High", ID_SET_BUZZER_HIGH);
    auto* font = set->addMenu("Font (system default)");
    addCommand(font, "All", ID_SET_FONT_ALL);
    addCommand(font, "16x8", ID_SET_FONT_16X8);
    addCommand(font, "32x16", ID_SET_FONT_32X16);
    addCommand(set, "Set Comm. Table", ID_SET_COMM_TABLE);
    addCommand(set, "Set Device table", ID_SET_DEVICE_TABLE);
    addCommand(set, "Executable area size", ID_SET_EXE_SIZE);
    auto* key = set->addMenu("Key");
    addCommand(key, "Lock", ID_SET_KEY_LOCK);
    addCommand(key, "Unlock", ID_SET_KEY_UNLOCK);
    addCommand(key, "Partial lock", ID_SET_KEY_PARTIAL);
    addCommand(key, "Restore system keymap", ID_SET_KEYMAP_RESTORE);
    addCommand(set, "Password", ID_SET_PASSWORD);
    addCommand(set, "Time and Date", ID_SET_TIME_DATE);
    addCommand(set, "UPS off", ID_SET_UPS_OFF);
}

void CMainFrame::buildPortWindowHelpMenus() {
    auto* port = menuBar()->addMenu("&Port");
    addCommand(port, "Connect / Dial ", ID_PORT_CONNECT);
    addCommand(port, "Disconnect / Hang up", ID_PORT_DISCONNECT);

    auto* window = menuBar()->addMenu("&Window");
    auto* data = window->addMenu("Data Window");
    addCommand(data, "Clear", ID_DATA_WINDOW_CLEAR);
    addCommand(data, "Hide", ID_DATA_WINDOW_HIDE);
    addCommand(data, "Show", ID_DATA_WINDOW_SHOW);
    auto* message = window->addMenu("Message Window");
    addCommand(message, "Clear", ID_MESSAGE_WINDOW_CLEAR);
    addCommand(message, "Hide", ID_MESSAGE_WINDOW_HIDE);
    addCommand(message, "Show", ID_MESSAGE_WINDOW_SHOW);
    auto* trace = window->addMenu("Line Trace Window");
    addCommand(trace, "Clear", ID_TRACE_WINDOW_CLEAR);
    addCommand(trace, "Hide", ID_TRACE_WINDOW_HIDE);
    addCommand(trace, "Show", ID_TRACE_WINDOW_SHOW);
    auto* font = window->addMenu("Font size");
    addCommand(font, "Smaller", ID_FONT_SMALLER);
    addCommand(font, "Big", ID_FONT_BIG);

    auto* help = menuBar()->addMenu("&Help");
    addCommand(help, "Help Topics", ID_HELP_TOPICS);
    help->addSeparator();
    addCommand(help, "About vantrel...", ID_APP_ABOUT);
    addCommand(help, "DLL version", ID_DLL_VERSION);
}

void CMainFrame::buildToolBar() {
    toolBar_ = addToolBar("Toolbar");
    toolBar_->setObjectName("Toolbar");
    toolBar_->setIconSize(QSize(24, 22));
    const std::pair<int, const char*> buttons[] = {
        {ID_EXEC_COLD_START, "Cold Start"},
        {ID_SET_AUTOBOOT, "AutoBoot Program"},
        {ID_SET_BAR_TABLE, "Bar Config. table"},
        {ID_SET_COMM_TABLE, "Set Comm. Table"},
        {ID_SET_TIME_DATE, "Time and Date"},
        {ID_SET_DEVICE_TABLE, "Set Device table"},
        {ID_INQ_DIRECTORY, "Directory"},
        {ID_EXEC_DOWNLOAD, "Download"},
        {ID_SET_EXE_SIZE, "Executable area size"},
        {ID_EXEC_POLL, "Poll"},
        {ID_EXEC_PURGE, "Purge (Delete)"},
        {ID_INQ_RAM_SIZE, "RAM Size"},
        {ID_EXEC_RUN, "Run"},
        {ID_EXEC_UPLOAD, "Upload"},
        {ID_SET_UPS_OFF, "UPS off"},
        {ID_EXEC_WARM_START, "Warm start"},
        {ID_EXEC_STOP, "Stop"},
    };
    for (const auto& [id, text] : buttons) {
        auto* action = toolBar_->addAction(toolbarIcon(id), text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { runFromOperator(id); });
        actions_.emplace(id, action);
    }
}

void CMainFrame::buildStatusBar() {
    statusBar()->showMessage("Ready");
    // Permanent: the status bar's message would hide an ordinary widget.
    portLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(portLabel_);
    progressBar_ = new QProgressBar(this);
    progressBar_->setMaximumWidth(200);
    progressBar_->hide();
    statusBar()->addPermanentWidget(progressBar_);
    auto indicator = [this](const char* text) {
        auto* label = new QLabel(text, this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setEnabled(false);
        statusBar()->addPermanentWidget(label);
        return label;
    };
    capsIndicator_ = indicator("CAP");
    numIndicator_ = indicator("NUM");
    scrollIndicator_ = indicator("SCRL");
}

// The device the library opens for the configured COM: the one named to it, unless the
// environment decides.
void CMainFrame::updatePortDevice() {
    const int port = view_->settings().Port;
    const vantdev::PortChoice choice =
        vantdev::port_choice(kPortVariablePrefix, port, namedPortDevice(port));
    QString text = QString("COM%1: ").arg(port);
    text += choice.path.empty() ? QString("no device") : QString::fromStdString(choice.path);
    if (choice.source == vantdev::PortSource::Environment)
        text += QString(" (%1)").arg(QString::fromStdString(choice.variable));
    portLabel_->setText(text);
}

void CMainFrame::createPanes() {
    const QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int w = work.width();
    const int h = work.height();
    messagePane_ = new LogPane("Message Window", this);
    messagePane_->setGeometry(work.x() + w / 2, work.y() + h - h / 4, w / 2, h / 4);
    dataPane_ = new LogPane("Polling Data Window", this);
    dataPane_->setGeometry(work.x(), work.y() + h - h / 4, w / 2, h / 4);
    // Above the other two, across the screen: its lines are long.
    lineTrace_ = new LineTraceWindow(this);
    lineTrace_->pane()->setGeometry(work.x(), work.y() + h - h / 2, w, h / 4);
}

QString CMainFrame::windowPlacePath() const {
    return QString::fromStdString(view_->workFolder()) + '/' + kWindowPlaceFile;
}

// Only a regular file, or none yet: a pipe or device there would block the opening for ever.
bool CMainFrame::windowPlaceFileUsable() const {
    const opscore::InputFile probe(windowPlacePath().toStdString());
    return probe.is_open() || probe.missing();
}

void CMainFrame::setVisible(bool visible) {
    if (visible && !placed_) {
        placed_ = true;
        if (!testAttribute(Qt::WA_Resized)) restoreWindowPlace();
    }
    QMainWindow::setVisible(visible);
}

// Opens big enough for the whole panel, transfer lines included, or where the operator left it.
void CMainFrame::restoreWindowPlace() {
    QList<QRect> screens;
    for (const QScreen* each : QGuiApplication::screens()) screens << each->availableGeometry();
    if (!windowPlaceFileUsable()) {
        setGeometry(windowPlace(QRect(), screens, sizeHint()));
        return;
    }
    QSettings file(windowPlacePath(), QSettings::IniFormat);
    file.beginGroup("MainWindow");
    bool okX = false, okY = false, okWidth = false, okHeight = false;
    const QRect saved(file.value("x").toInt(&okX), file.value("y").toInt(&okY),
                      file.value("width").toInt(&okWidth), file.value("height").toInt(&okHeight));
    const bool maximized = file.value("maximized").toBool();
    const bool readable = okX && okY && okWidth && okHeight;
    const QRect place = windowPlace(readable ? saved : QRect(), screens, sizeHint());
    setGeometry(place);
    if (readable && maximized && place == saved) setWindowState(Qt::WindowMaximized);
}

// Only the operator's own closing is remembered: an unattended run, or one without a screen,
// leaves the file alone.
void CMainFrame::saveWindowPlace() const {
    if (skipExitQuestion_ || !operatorCanAnswer() || view_->workFolder().empty() ||
        !windowPlaceFileUsable())
        return;
    const QRect place = isMaximized() ? normalGeometry() : geometry();
    QSettings file(windowPlacePath(), QSettings::IniFormat);
    file.beginGroup("MainWindow");
    file.setValue("x", place.x());
    file.setValue("y", place.y());
    file.setValue("width", place.width());
    file.setValue("height", place.height());
    file.setValue("maximized", isMaximized());
    file.endGroup();
    file.sync();
}

void CMainFrame::registerFrameCommands() {
    auto paneCommands = [this](LogPane* pane, bool HostState::*shown, int clearId, int hideId,
                               int showId) {
        view_->setCommandHandler(clearId, [this, pane, shown] {
            if (view_->state().*shown) pane->clearEntries();
        });
        view_->setCommandHandler(hideId, [this, pane, shown] {
            pane->hide();
            view_->state().*shown = false;
        });
        view_->setCommandHandler(showId, [this, pane, shown] {
            pane->show();
            view_->state().*shown = true;
        });
    };
    paneCommands(dataPane_, &HostState::dataWindowShown, ID_DATA_WINDOW_CLEAR, ID_DATA_WINDOW_HIDE,
                 ID_DATA_WINDOW_SHOW);
    paneCommands(messagePane_, &HostState::messageWindowShown, ID_MESSAGE_WINDOW_CLEAR,
                 ID_MESSAGE_WINDOW_HIDE, ID_MESSAGE_WINDOW_SHOW);
    view_->setCommandHandler(ID_TRACE_WINDOW_CLEAR, [this] { lineTrace_->clear(); });
    view_->setCommandHandler(ID_TRACE_WINDOW_HIDE, [this] { lineTrace_->hide(); });
    view_->setCommandHandler(ID_TRACE_WINDOW_SHOW, [this] { lineTrace_->show(); });
    view_->setCommandHandler(ID_FONT_BIG, [this] { fontBigger(); });
    view_->setCommandHandler(ID_FONT_SMALLER, [this] { fontSmaller(); });
    view_->setCommandHandler(ID_APP_EXIT, [this] { close(); });
    guide_ = new GuideHelp(this);
    view_->setCommandHandler(ID_HELP_TOPICS, [this] { guide_->showContents(); });
    view_->setCommandHandler(ID_APP_ABOUT, [this] { showAbout(); });
    view_->setCommandHandler(ID_DLL_VERSION, [this] { showDllVersion(); });
}

void CMainFrame::fontBigger() {
    view_->settings().FONT_SIZE += kFontStep;
    applyFontSize();
}

void CMainFrame::fontSmaller() {
    int& size = view_->settings().FONT_SIZE;
    if (size < kSmallestGrowableFont) return;
    size -= kFontStep;
    applyFontSize();
}

void CMainFrame::applyFontSize() {
    dataPane_->setFontSize(view_->settings().FONT_SIZE);
    messagePane_->setFontSize(view_->settings().FONT_SIZE);
    lineTrace_->pane()->setFontSize(view_->settings().FONT_SIZE);
}

void CMainFrame::showAbout() {
    showMessageBox(this, QMessageBox::Information, "About vantrel",
                   "vantrel Version " VANT_VERSION_SHORT);
}

void CMainFrame::showDllVersion() {
    showMessageBox(this, QMessageBox::Information, "DLL VERSION",
                   QString::asprintf("VANTLINK.DLL version %d", linkVersion()));
}

void CMainFrame::showTransferProgress(qint64 done, qint64 total) {
    // Sizes are 32-bit on the line; a size beyond the bar's int range cannot come, but a busy
    // bar is the honest picture of one that did.
    if (total > 0 && total <= std::numeric_limits<int>::max()) {
        progressBar_->setRange(0, static_cast<int>(total));
        progressBar_->setValue(static_cast<int>(std::clamp<qint64>(done, 0, total)));
    } else {
        progressBar_->setRange(0, 0);  // busy: the size is unknown
    }
    progressBar_->show();
}

void CMainFrame::updateCommandStates() {
    for (const auto& [id, action] : actions_) action->setEnabled(operatorMayRun(id));
}

void CMainFrame::closeWithoutAsking() {
    skipExitQuestion_ = true;
    close();
}

void CMainFrame::endOnSignal(const char* signalName) {
    view_->reporter().report(' ', signalName, "received: the program ends", kNoteCode);
    // Cancelled first: a close from inside the exit question would be ignored by Qt, and the
    // question, cancelled, must not keep the program open (closeEvent sees the end coming).
    setProgramEnding(true);
    closeWithoutAsking();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!skipExitQuestion_ && !exitConfirmed_) {
        const auto answer =
            showMessageBox(this, QMessageBox::Question, QApplication::applicationName(),
                           "Exit Program?", QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes && !programEnding()) {
            event->ignore();
            return;
        }
        exitConfirmed_ = true;
    }
    // The running command still uses the state, the panes and the port: stop it and close
    // once it has returned.
    if (view_->commandRunning()) {
        view_->requestCloseAfterCommand();
        event->ignore();
        return;
    }
    saveWindowPlace();
    view_->finish();
    messagePane_->hide();
    dataPane_->hide();
    lineTrace_->hide();
    event->accept();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        updateLockIndicators(event);
    return QMainWindow::event(event);
}

void CMainFrame::updateLockIndicators(QEvent* event) {
    if (event->type() != QEvent::KeyRelease) return;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_CapsLock:
            capsIndicator_->setEnabled(!capsIndicator_->isEnabled());
            break;
        case Qt::Key_NumLock:
            numIndicator_->setEnabled(!numIndicator_->isEnabled());
            break;
        case Qt::Key_ScrollLock:
            scrollIndicator_->setEnabled(!scrollIndicator_->isEnabled());
            break;
        default:
            break;
    }
}

}  // namespace vantrel
