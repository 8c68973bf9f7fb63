// Vantcom.ini as it reaches the host: any file content read into the settings. Every value must
// come out within its range, and the settings written back and read again must be the same.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host_settings.h"
#include "profile_file.h"

namespace {

using namespace vantrel;

// One folder per process, removed when the process ends.
class ScratchFolder {
public:
    ScratchFolder() {
        // Memory-backed when the system has it: every input is written and written back.
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "fuzz_host_profile_XXXXXX").string();
        if (!mkdtemp(pattern.data())) abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool isTime(const std::string& text) {
    // "%.2d:%.2d:%.2d" of three ints: at most 11 characters each, two colons.
    std::size_t colons = 0;
    for (const char c : text) {
        if (c == ':')
            ++colons;
        else
            check((c >= '0' && c <= '9') || c == '-');
    }
    return colons == 2 && text.size() >= 8 && text.size() <= 35;
}

void checkRanges(const HostSettings& s) {
    check(s.Port >= 1 && s.Port <= 4);
    check(static_cast<int>(s.Protocol) >= 0 && static_cast<int>(s.Protocol) <= 2);
    check(s.BaudRate >= 0 && s.BaudRate < 10);
    check(s.DataBit == 7 || s.DataBit == 8);
    check(s.StopBit == 1 || s.StopBit == 2);
    check(static_cast<int>(s.Parity) >= 0 && static_cast<int>(s.Parity) <= 2);
    check(static_cast<int>(s.ErrorLog) >= 0 && static_cast<int>(s.ErrorLog) <= 2);
    check(static_cast<int>(s.Terminal_type) >= 0 &&
          static_cast<int>(s.Terminal_type) < kTerminalTypes);
    check(s.Address.size() <= kAddressListMax);
    for (const char c : s.Address) check((c >= 'A' && c <= 'Y') || (c >= '0' && c <= '6'));
    check(s.CFG_Name.size() <= 99 && s.File_Name.size() <= 99);
    check(s.MaxError >= 0 && s.MaxError <= 100);
    check(s.Poll_Period_Specify_Counter >= 0 && s.Poll_Period_Specify_Counter <= kPollWindows);
    check(isTime(s.Start_Time) && isTime(s.Stop_Time));
    check(isTime(s.Auto_Time_Sync_Start) && isTime(s.Auto_Time_Sync_Stop));
    for (int i = 0; i < kPollWindows; ++i)
        check(isTime(s.Start_Times[i]) && isTime(s.Stop_Times[i]));
    check(s.Delete_File1.size() <= 19);
    for (int i = 0; i < kTransferFiles; ++i)
        check(s.UploadFiles[i].size() <= 119 && s.DownloadFiles[i].size() <= 119);
    check(s.Modem_Initial_command.size() <= 99);
    for (int i = 0; i < kPhoneBookEntries; ++i)
        check(s.Modem_Phone_no[i].size() <= 20 && s.Modem_Phone_name[i].size() <= 30);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFolder folder;
    static const std::string path = folder.file("Vantcom.ini");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) abort();
    }

    ProfileFile file(path);
    HostSettings first;
    const SettingsLoadResult loaded = loadSettings(file, first);
    checkRanges(first);
    if (loaded.terminalTypeUnknown) check(first.Terminal_type == HostSettings().Terminal_type);

    // A refused file is never written over.
    saveSettings(first, file);
    const bool written = file.commit();
    check(written != file.refused());
    if (!written) return 0;

    ProfileFile again(path);
    check(!again.refused());
    HostSettings second;
    const SettingsLoadResult reloaded = loadSettings(again, second);
    check(!reloaded.terminalTypeUnknown);
    check(second == first);
    return 0;
}
