#include "vantrel_view.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>

#include "command_ids.h"
#include "link_glue.h"
#include "log_pane.h"
#include "modal_boxes.h"
#include "panel_painter.h"
#include "profile_file.h"

namespace vantrel {

namespace {

constexpr int kMinimumPageHeight = 220;
constexpr int kScrollLine = 70;

}  // namespace

CVantrelView::CVantrelView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // A window lower than the panel scrolls rather than hiding the transfer lines.
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(kScrollLine);
    state_.reset(settings_.Terminal_type);
    errorLog_ = std::make_unique<ErrorLog>("ERR_LOG.TXT");
    reporter_ = std::make_unique<ResultReporter>(
        settings_, state_, *errorLog_, static_cast<ReportOutput&>(*this), linkPowerSavingReturn);
    setCommandHandler(ID_EXEC_STOP, [this] { stop(); });
    setUnansweredBoxSink([view = QPointer<CVantrelView>(this)](const QString& text) {
        if (!view) return;
        view->revealMessagePane();
        // The box has written its text to standard error already.
        view->appendToMessagePane((text + '\n').toLocal8Bit().toStdString());
    });
}

CVantrelView::~CVantrelView() = default;

void CVantrelView::attachPanes(LogPane* messagePane, LogPane* dataPane) {
    messagePane_ = messagePane;
    dataPane_ = dataPane;
    auto clearFlag = [](bool& flag) { return [&flag] { flag = false; }; };
    connect(messagePane_, &LogPane::closedByOperator, this, clearFlag(state_.messageWindowShown));
    connect(dataPane_, &LogPane::closedByOperator, this, clearFlag(state_.dataWindowShown));
}

void CVantrelView::initialUpdate(const std::string& workFolder) {
    workFolder_ = workFolder;
    settings_ = HostSettings{};
    errorLog_->close();
    errorLog_ = std::make_unique<ErrorLog>(workFolder_ + "/ERR_LOG.TXT");
    reporter_ = std::make_unique<ResultReporter>(
        settings_, state_, *errorLog_, static_cast<ReportOutput&>(*this), linkPowerSavingReturn);
    const ProfileFile profile(settingsPath(workFolder_));
    const auto loaded = loadSettings(profile, settings_);
    state_.reset(settings_.Terminal_type);
    if (profile.refused()) {
        showMessageBox(this, QMessageBox::Warning, QApplication::applicationName(),
                       QString::fromStdString("Vantcom.ini " + profile.refusal() +
                                              ": it is not used and will not be changed"));
    }
    applyLoad(loaded.terminalTypeUnknown);
    pushLinkSettings(settings_);
    emit settingsChanged();
    openErrorLog();
    updateScrollSizes();
    if (startUpHandler_) startUpHandler_();
}

void CVantrelView::reloadSettings() {
    const auto loaded = loadSettings(ProfileFile(settingsPath(workFolder_)), settings_);
    state_.pollWindowIndex = 0;
    applyLoad(loaded.terminalTypeUnknown);
    updateScrollSizes();
    emit settingsChanged();
}

void CVantrelView::applyLoad(bool terminalTypeUnknown) {
    state_.pollWindowIndex = 0;
    // Asked only once the whole file is read: the dialog saves every key, and saving a
    // half-read record would wipe the phone book and the font size in the file.
    if (terminalTypeUnknown) runCommand(ID_SETUP_TERMINAL);
}

bool CVantrelView::saveSettings() {
    emit settingsChanged();
    ProfileFile file(settingsPath(workFolder_));
    vantrel::saveSettings(settings_, file);
    if (file.commit()) return true;
    // Every save goes through here: callers need not tell the operator themselves.
    reporter_->report(' ', "Vantcom.ini", "cannot be written: the settings in use are not saved",
                      kLoggedNoteCode);
    return false;
}

void CVantrelView::openErrorLog() {
    if (errorLog_->open(settings_.ErrorLog)) return;
    showMessageBox(this, QMessageBox::Warning, QApplication::applicationName(),
                   "Error log file open error");
    // Logging stays off for this run only: ErrorLog keeps the operator's choice, so saving
    // the settings does not turn it off for every later run.
}

void CVantrelView::reopenErrorLog(ErrorLogMode previousMode) {
    if (previousMode != ErrorLogMode::No) errorLog_->close();
    openErrorLog();
}

void CVantrelView::finish() {
    if (finished_) return;
    finished_ = true;
    if (state_.connected) runCommand(ID_PORT_DISCONNECT);
    saveSettings();
    errorLog_->close();
}

void CVantrelView::stop() {
    if (state_.isReady()) return;
    state_.ready = 1;
    redraw();
    emit commandStatesChanged();
}

void CVantrelView::requestCloseAfterCommand() {
    closeRequested_ = true;
    state_.closing = true;
    stop();
}

void CVantrelView::redraw() {
    viewport()->update();
}

void CVantrelView::setReady(bool ready) {
    state_.ready = ready ? 1 : 0;
    emit commandStatesChanged();
}

void CVantrelView::setConnected(bool connected) {
    state_.connected = connected;
    emit commandStatesChanged();
}

void CVantrelView::revealMessagePane() {
    if (state_.messageWindowShown || !messagePane_) return;
    messagePane_->show();
    state_.messageWindowShown = true;
}

void CVantrelView::appendMessage(std::string_view line, MessageKind kind) {
    appendToMessagePane(line);
    // Unattended, standard error is where the run's story is read (a service's journal).
    if (!operatorCanAnswer())
        toStandardError(QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size())),
                        kind);
}

void CVantrelView::appendToMessagePane(std::string_view line) {
    if (messagePane_) messagePane_->appendText(line);
}

void CVantrelView::showResultBox(std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(),
                    QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok, this);
    // The report has put the line in the message window already.
    runMessageBox(box, BoxEcho::AlreadyInMessageWindow);
}

void CVantrelView::showTransferProgress(std::int64_t done, std::int64_t total) {
    emit transferProgressChanged(done, total);
}

void CVantrelView::endTransferProgress() {
    emit transferProgressEnded();
}

void CVantrelView::revealDataPane() {
    if (state_.dataWindowShown || !dataPane_) return;
    dataPane_->show();
    state_.dataWindowShown = true;
}

void CVantrelView::appendPollData(std::string_view text) {
    if (dataPane_) dataPane_->appendText(text);
}

void CVantrelView::setCommandHandler(int id, std::function<void()> handler) {
    commands_.setHandler(id, std::move(handler));
    emit commandStatesChanged();
}

bool CVantrelView::runCommand(int id) {
    ++commandDepth_;
    const bool ran = commands_.run(id, state_);
    --commandDepth_;
    emit commandStatesChanged();
    if (commandDepth_ == 0 && closeRequested_) {
        closeRequested_ = false;
        emit closeReady();
    }
    return ran;
}

int CVantrelView::addressCount() const {
    return std::min<int>(static_cast<int>(settings_.Address.size()), kAddressSlots);
}

void CVantrelView::updateScrollSizes() {
    const int clientWidth = viewport()->width();
    const int needed = panelContentWidth(addressCount());
    const int total = needed > clientWidth ? needed : clientWidth;
    auto* bar = horizontalScrollBar();
    bar->setRange(0, total - clientWidth);
    bar->setPageStep(clientWidth);
    bar->setSingleStep(kScrollLine);
    auto* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, panelContentHeight(fontMetrics()) - viewport()->height()));
    vertical->setPageStep(std::max(viewport()->height(), kMinimumPageHeight));
}

QSize CVantrelView::sizeHint() const {
    constexpr int kMinimumWidth = 640;
    const int frame = 2 * frameWidth();
    return {std::max(panelContentWidth(addressCount()), kMinimumWidth) + frame,
            panelContentHeight(fontMetrics()) + frame};
}

void CVantrelView::repaintInFull() {
    state_.progressPhase += kPhaseRepaintBoost;
    viewport()->update();
}

void CVantrelView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    paintPanel(painter, settings_, state_, palette());
}

void CVantrelView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollSizes();
    repaintInFull();
}

void CVantrelView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    repaintInFull();
}

void CVantrelView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint content = event->position().toPoint() +
                           QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const PanelHit hit = hitTestPanel(content, addressCount());
    if (hit.kind == PanelHit::Kind::StartButton && event->button() == Qt::LeftButton) {
        // After Stop the ready flag is back while the stopped command still returns.
        if (!state_.isReady())
            stop();
        else if (!commandRunning())
            runCommand(ID_EXEC_POLL);
    } else if (hit.kind == PanelHit::Kind::Terminal && event->button() == Qt::LeftButton) {
        state_.selection[hit.index] = state_.selection[hit.index] ? 0 : 1;
    } else if (hit.kind == PanelHit::Kind::Terminal && event->button() == Qt::RightButton) {
        int& kind = state_.kind[hit.index];
        kind = kind >= 4 ? 0 : kind + 1;  // the five models that have their own picture set
    } else {
        return;
    }
    redraw();
}

}  // namespace vantrel
