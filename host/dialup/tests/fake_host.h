#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host_services.h"

// A host without windows: records notes, flags and commands, so handlers can be checked alone.
class FakeHost : public vantrel::HostServices, public vantrel::Reporter {
public:
    struct Note {
        char address;
        std::string operation;
        std::string detail;
        int code;
        bool operator==(const Note&) const = default;
    };

    vantrel::HostSettings& settings() override { return settings_; }
    vantrel::HostState& state() override { return state_; }
    vantrel::Reporter& reporter() override { return *this; }
    const std::string& workFolder() const override { return folder_; }
    void reloadSettings() override { ++reloads; }
    bool saveSettings() override {
        ++saves;
        return true;
    }
    void reopenErrorLog(vantrel::ErrorLogMode previous) override {
        reopenedFrom.push_back(previous);
    }
    bool errorLogOpen() const override { return settings_.ErrorLog != vantrel::ErrorLogMode::No; }
    void redraw() override { ++redraws; }
    void setReady(bool ready) override { state_.ready = ready ? 1 : 0; }
    void setConnected(bool connected) override { state_.connected = connected; }
    void showTransferProgress(std::int64_t done, std::int64_t total) override {
        progress.push_back({done, total});
        progressShown = true;
    }
    void endTransferProgress() override { progressShown = false; }
    void revealDataPane() override {}
    void appendPollData(std::string_view) override {}
    void setCommandHandler(int id, std::function<void()> handler) override {
        handlers[id] = std::move(handler);
    }
    bool runCommand(int id) override {
        ran.push_back(id);
        if (!handlers.contains(id)) return false;
        handlers[id]();
        return true;
    }
    void closeWithoutAsking() override { ++closes; }
    void setStartUpHandler(std::function<void()> handler) override {
        startUpHandler = std::move(handler);
    }

    void report(char address, std::string_view operation, std::string_view detail,
                int code) override {
        notes.push_back({address, std::string(operation), std::string(detail), code});
    }
    std::vector<std::string> operations() const {
        std::vector<std::string> texts;
        for (const auto& note : notes) texts.push_back(note.operation);
        return texts;
    }

    std::vector<Note> notes;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // done, total per update
    bool progressShown = false;
    std::map<int, std::function<void()>> handlers;
    std::vector<int> ran;
    std::vector<vantrel::ErrorLogMode> reopenedFrom;
    int reloads = 0;
    int saves = 0;
    int redraws = 0;
    int closes = 0;
    std::function<void()> startUpHandler;

private:
    vantrel::HostSettings settings_;
    vantrel::HostState state_;
    std::string folder_ = ".";
};
