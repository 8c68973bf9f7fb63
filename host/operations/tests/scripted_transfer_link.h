#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "transfer_link.h"

// The line as a script: every call is recorded as words ("dl A NAME", "ul A NAME PATH", ...);
// results come from the functions below. A file moves in `blocks` blocks of 100 bytes, and an
// upload creates its PC file as the library would, so tests can see where files land.
class ScriptedTransferLink : public vantrel::TransferLink {
public:
    void setPowerSavingStatus(bool on) override { record(on ? "status 1" : "status 0"); }
    int powerSavingOff(int, char address) override {
        record("off " + std::string(1, address));
        return wakeResult(address);
    }
    int powerSavingOn(int, char address) override {
        record("on " + std::string(1, address));
        return sleepResult(address);
    }
    int download1(int port, char address, const std::string& pcPath,
                  const std::string& terminalName, std::int32_t& fileSize) override {
        lastPort = port;
        lastPcPath = pcPath;
        record("dl " + std::string(1, address) + " " + terminalName);
        const int code = downloadStart(address, terminalName);
        if (code == 0) {
            startFile(address, terminalName);
            fileSize = blocks * kBlock;
        }
        return code;
    }
    int download2(vantrel::TransferCounts& counts) override { return step(counts); }
    int upload1(int, char address, const std::string& terminalName, std::string& pcPath) override {
        record("ul " + std::string(1, address) + " " + terminalName + " " + pcPath);
        const int code = uploadStart(address, terminalName);
        if (code != 0) return code;
        pcPath = savedAs(pcPath);
        std::ofstream(pcPath, std::ios::binary) << terminalName;
        startFile(address, terminalName);
        return code;
    }
    int upload2(vantrel::TransferCounts& counts) override { return step(counts); }
    int cancelUpload(int, char address) override { return record("cancel ul ", address); }
    int cancelDownload(int, char address) override { return record("cancel dl ", address); }
    int uploadMode(int, char address) override {
        record("mode " + std::string(1, address));
        return uploadModeResult;
    }
    int deleteFile(int, char address, const std::string& name) override {
        record("del " + std::string(1, address) + " " + name);
        return deleteResult;
    }
    void delay(int milliseconds) override {
        delays.push_back(milliseconds);
        if (afterDelay) afterDelay(milliseconds);
    }

    int callsStartingWith(const std::string& prefix) const {
        int count = 0;
        for (const auto& call : calls) count += call.rfind(prefix, 0) == 0 ? 1 : 0;
        return count;
    }
    int delayedMs() const {
        int total = 0;
        for (int ms : delays) total += ms;
        return total;
    }

    static constexpr int kBlock = 100;
    std::vector<std::string> calls;
    std::vector<int> delays;
    std::function<int(char)> wakeResult = [](char) { return 0; };
    std::function<int(char)> sleepResult = [](char) { return 0; };
    std::function<int(char, const std::string&)> downloadStart = [](char, const std::string&) {
        return 0;
    };
    std::function<int(char, const std::string&)> uploadStart = [](char, const std::string&) {
        return 0;
    };
    std::function<std::string(const std::string&)> savedAs = [](const std::string& p) { return p; };
    int blocks = 3;
    int endResult = 0;  // the step after the last block
    int uploadModeResult = 0;
    int deleteResult = 0;
    // Runs after each block with the file's address and terminal name.
    std::function<void(char, const std::string&)> afterBlock;
    std::function<void(int)> afterDelay;
    int lastPort = 0;
    std::string lastPcPath;

private:
    void record(const std::string& call) { calls.push_back(call); }
    int record(const std::string& call, char address) {
        record(call + address);
        return 0;
    }
    void startFile(char address, const std::string& name) {
        address_ = address;
        name_ = name;
        done_ = 0;
    }
    int step(vantrel::TransferCounts& counts) {
        if (done_ == blocks) return endResult;
        ++done_;
        counts.bytes = done_ * kBlock;
        counts.packets = done_;
        if (afterBlock) afterBlock(address_, name_);
        return 1;
    }
    char address_ = 0;
    std::string name_;
    int done_ = 0;
};
