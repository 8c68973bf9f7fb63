#include "transfer_link.h"

#include <array>
#include <cstring>

#include "vantlink.h"

namespace vantrel {

namespace {

class LibraryTransferLink final : public TransferLink {
public:
    void setPowerSavingStatus(bool on) override { HM_set_power_saving_status(on ? 1 : 0); }
    int powerSavingOff(int port, char address) override {
        return HM_power_saving_off(port, wire(address));
    }
    int powerSavingOn(int port, char address) override {
        return HM_power_saving_on(port, wire(address));
    }

    int download1(int port, char address, const std::string& pcPath,
                  const std::string& terminalName, std::int32_t& fileSize) override {
        return HM_download1(port, wire(address), pcPath.c_str(), terminalName.c_str(), &fileSize);
    }
    int download2(TransferCounts& counts) override {
        return HM_download2(&counts.bytes, &counts.packets);
    }

    int upload1(int port, char address, const std::string& terminalName,
                std::string& pcPath) override {
        // The library writes the path it used back into a buffer of its fixed size; a path that
        // does not fit is refused here rather than cut, which would name another file.
        std::array<char, VANTLINK_LOCAL_PATH> buffer{};
        if (pcPath.size() >= buffer.size()) return RC_FILE_OPEN_ERROR;
        std::memcpy(buffer.data(), pcPath.data(), pcPath.size());
        const int code = HM_upload1(port, wire(address), terminalName.c_str(), buffer.data());
        pcPath.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
        return code;
    }
    int upload2(TransferCounts& counts) override {
        return HM_upload2(&counts.bytes, &counts.packets);
    }

    int cancelUpload(int port, char address) override {
        return HM_cancel_upload(port, wire(address));
    }
    int cancelDownload(int port, char address) override {
        return HM_cancel_download(port, wire(address));
    }

    int uploadMode(int port, char address) override { return HM_upload_mode(port, wire(address)); }
    int deleteFile(int port, char address, const std::string& terminalName) override {
        return HM_delete(port, wire(address), terminalName.c_str());
    }

    void delay(int milliseconds) override { HM_time_delay(milliseconds); }

private:
    static std::int32_t wire(char address) { return static_cast<unsigned char>(address); }
};

}  // namespace

TransferLink& libraryTransferLink() {
    static LibraryTransferLink link;
    return link;
}

}  // namespace vantrel
