#pragma once

#include <QAbstractScrollArea>
#include <memory>

#include "command_table.h"
#include "error_log.h"
#include "host_services.h"

namespace vantrel {

class LogPane;

// The line panel and the owner of all host state from its creation to program end.
class CVantrelView : public QAbstractScrollArea, public HostServices, private ReportOutput {
    Q_OBJECT
public:
    explicit CVantrelView(QWidget* parent = nullptr);
    ~CVantrelView() override;

    void attachPanes(LogPane* messagePane, LogPane* dataPane);
    // Start-up: defaults, Vantcom.ini from the working folder, link settings, error log.
    void initialUpdate(const std::string& workFolder);
    // Program end: hang up a connected line, save the settings, close the error log.
    void finish();

    // Room for the whole panel: the pictures and every transfer line.
    QSize sizeHint() const override;

    bool commandRunning() const { return commandDepth_ > 0; }
    bool isCommandEnabled(int id) const { return commands_.isEnabled(id, state_); }
    // Ends a running command as Stop does; closeReady follows once it has returned.
    void requestCloseAfterCommand();
    void stop();

    // HostServices
    HostSettings& settings() override { return settings_; }
    HostState& state() override { return state_; }
    Reporter& reporter() override { return *reporter_; }
    const std::string& workFolder() const override { return workFolder_; }
    void reloadSettings() override;
    bool saveSettings() override;
    void reopenErrorLog(ErrorLogMode previousMode) override;
    bool errorLogOpen() const override { return errorLog_->isOpen(); }
    void redraw() override;
    void setReady(bool ready) override;
    void setConnected(bool connected) override;
    void showTransferProgress(std::int64_t done, std::int64_t total) override;
    void endTransferProgress() override;
    void revealDataPane() override;
    void appendPollData(std::string_view text) override;
    void setCommandHandler(int id, std::function<void()> handler) override;
    bool runCommand(int id) override;
    void closeWithoutAsking() override { emit closeReady(); }
    void setStartUpHandler(std::function<void()> handler) override {
        startUpHandler_ = std::move(handler);
    }

signals:
    void commandStatesChanged();
    void closeReady();
    // The frame's status bar follows the file now moving; total 0: size unknown.
    void transferProgressChanged(qint64 done, qint64 total);
    void transferProgressEnded();
    // Loaded, reloaded or saved: what the frame shows of them may have changed.
    void settingsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // ReportOutput
    void revealMessagePane() override;
    void appendMessage(std::string_view line, MessageKind kind) override;
    void showResultBox(std::string_view text) override;
    // The message window alone, without the copy to standard error.
    void appendToMessagePane(std::string_view line);

    void applyLoad(bool terminalTypeUnknown);
    void openErrorLog();
    void updateScrollSizes();
    void repaintInFull();
    int addressCount() const;

    HostSettings settings_;
    HostState state_;
    std::string workFolder_ = ".";
    std::unique_ptr<ErrorLog> errorLog_;
    std::unique_ptr<ResultReporter> reporter_;
    CommandTable commands_;
    std::function<void()> startUpHandler_;
    LogPane* messagePane_ = nullptr;
    LogPane* dataPane_ = nullptr;
    int commandDepth_ = 0;
    bool closeRequested_ = false;
    bool finished_ = false;
};

}  // namespace vantrel
