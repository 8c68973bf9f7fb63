#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "command_ids.h"
#include "command_table.h"
#include "host_services.h"
#include "operator_prompts.h"
#include "temp_folder.h"

// The host without windows: settings and state in memory, reports and pane text recorded,
// command routing by the real table, the working folder a fresh temporary one.
class FakeHost : public vantrel::HostServices, public vantrel::Reporter {
public:
    struct Report {
        char address;
        std::string operation;
        std::string detail;
        int code;
    };

    FakeHost() {
        state_.reset(settings_.Terminal_type);
        folderPath_ = folder.path().string();
        // Connect / Dial that always brings the line up, unless told otherwise.
        setCommandHandler(vantrel::ID_PORT_CONNECT, [this] {
            ++connectAttempts;
            if (connectSucceeds) setConnected(true);
        });
    }

    vantrel::HostSettings& settings() override { return settings_; }
    vantrel::HostState& state() override { return state_; }
    vantrel::Reporter& reporter() override { return *this; }
    const std::string& workFolder() const override { return folderPath_; }
    void reloadSettings() override {}
    bool saveSettings() override { return true; }
    void reopenErrorLog(vantrel::ErrorLogMode) override {}
    bool errorLogOpen() const override { return false; }
    void redraw() override {
        ++redraws;
        if (afterRedraw) afterRedraw();
    }
    void setReady(bool ready) override { state_.ready = ready ? 1 : 0; }
    void setConnected(bool connected) override { state_.connected = connected; }
    void showTransferProgress(std::int64_t done, std::int64_t total) override {
        progress.push_back({done, total});
        progressShown = true;
    }
    void endTransferProgress() override { progressShown = false; }
    void revealDataPane() override { state_.dataWindowShown = true; }
    void appendPollData(std::string_view text) override { dataPane += text; }
    void setCommandHandler(int id, std::function<void()> handler) override {
        commands_.setHandler(id, std::move(handler));
    }
    bool runCommand(int id) override {
        ran.push_back(id);
        return commands_.run(id, state_);
    }
    void closeWithoutAsking() override { ++closes; }
    void setStartUpHandler(std::function<void()> handler) override {
        startUpHandler = std::move(handler);
    }

    void report(char address, std::string_view operation, std::string_view detail,
                int code) override {
        auto& to = !asideOperation.empty() && operation == asideOperation ? aside : reports;
        to.push_back({address, std::string(operation), std::string(detail), code});
    }
    // "address|operation|detail|code" per report.
    std::vector<std::string> reportLines() const {
        std::vector<std::string> lines;
        for (const auto& r : reports)
            lines.push_back(std::string(1, r.address) + "|" + r.operation + "|" + r.detail + "|" +
                            std::to_string(r.code));
        return lines;
    }
    int reportsWithCode(int code) const {
        int count = 0;
        for (const auto& r : reports) count += r.code == code ? 1 : 0;
        return count;
    }

    TempFolder folder;
    std::vector<Report> reports;
    // Reports of this operation are kept here instead, out of the way of counts of the rest.
    std::string asideOperation;
    std::vector<Report> aside;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // done, total per update
    bool progressShown = false;
    std::string dataPane;
    std::vector<int> ran;
    int redraws = 0;
    std::function<void()> afterRedraw;  // a command that never pauses still redraws
    int closes = 0;
    std::function<void()> startUpHandler;
    int connectAttempts = 0;
    bool connectSucceeds = true;

private:
    vantrel::HostSettings settings_;
    vantrel::HostState state_;
    std::string folderPath_;
    vantrel::CommandTable commands_;
};

// The settings file as a second record: a reload reads it, a save writes it.
class SettingsFileHost : public FakeHost {
public:
    void reloadSettings() override {
        ++reloads;
        settings() = file;
    }
    bool saveSettings() override {
        ++saves;
        file = settings();
        return true;
    }
    vantrel::HostSettings file;
    int reloads = 0;
    int saves = 0;
};

// Boxes and the file dialog answered from the test; every box is recorded.
class FakePrompts : public vantrel::OperatorPrompts {
public:
    void showMessage(const std::string& text, bool stop) override {
        messages.push_back(text);
        stopIcons += stop ? 1 : 0;
    }
    void showMessageWithCaption(const std::string& text, const std::string& caption) override {
        messages.push_back(text);
        captions.push_back(caption);
    }
    std::optional<std::string> chooseFile(const std::string& caption) override {
        captions.push_back(caption);
        return fileChoice;
    }
    bool askYesNo(const std::string& text) override {
        questions.push_back(text);
        return yes;
    }

    std::vector<std::string> messages;
    std::vector<std::string> captions;
    int stopIcons = 0;
    std::optional<std::string> fileChoice;
    std::vector<std::string> questions;
    bool yes = false;
};
