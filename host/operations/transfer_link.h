// The link-library calls of the file transfers, behind one small interface so the commands'
// tests can script the line.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// Counters a transfer step writes: bytes moved (for a download: before the block is sent) and
// blocks moved.
struct TransferCounts {
    std::int32_t bytes = 0;
    std::int32_t packets = 0;
};

class TransferLink {
public:
    virtual ~TransferLink() = default;

    // The library's own wake-up around each command; off while a command wraps it itself.
    virtual void setPowerSavingStatus(bool on) = 0;
    virtual int powerSavingOff(int port, char address) = 0;
    virtual int powerSavingOn(int port, char address) = 0;

    // Starts sending pcPath as terminalName; the file size is set when the terminal accepted.
    virtual int download1(int port, char address, const std::string& pcPath,
                          const std::string& terminalName, std::int32_t& fileSize) = 0;
    virtual int download2(TransferCounts& counts) = 0;
    // Starts fetching terminalName into pcPath; pcPath becomes the path the library used (the
    // save mode New may choose a free name).
    virtual int upload1(int port, char address, const std::string& terminalName,
                        std::string& pcPath) = 0;
    virtual int upload2(TransferCounts& counts) = 0;

    // End the open transfer before its last block: the terminal is told, and the PC file is
    // left as it was before the upload.
    virtual int cancelUpload(int port, char address) = 0;
    virtual int cancelDownload(int port, char address) = 0;

    virtual int uploadMode(int port, char address) = 0;
    virtual int deleteFile(int port, char address, const std::string& terminalName) = 0;

    // A pause that keeps the window's events flowing, so Stop is noticed during it.
    virtual void delay(int milliseconds) = 0;
};

TransferLink& libraryTransferLink();

}  // namespace vantrel
