// The Windows port layer under wine: open reasons, the message pump of the waits, local files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "local_file.h"
#include "port_diagnosis.h"
#include "vantlink.h"

namespace {

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_all(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(LinkWinPort, OpenFailuresGiveTheirReason) {
    struct Case {
        int port;
        const char* device;  // set for the port; nullptr: the default \\.\COM<n>
        const char* reason;
    };
    const Case cases[] = {
        {3, "\\\\.\\COM9", "No such device: \\\\.\\COM9"},
        {4, nullptr, "No such device: \\\\.\\COM4"},
        {2, "tcp://127.0.0.1:1", "not supported on Windows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        ASSERT_EQ(HC_set_port_device(c.port, c.device != nullptr ? c.device : ""), 1);
        EXPECT_EQ(HM_OpenCommPort(c.port, 6, 8, 0, 1), 0);
        const std::string path = c.device != nullptr ? c.device : "\\\\.\\COM4";
        EXPECT_NE(vantlink::diagnose_port_open(path).find(c.reason), std::string::npos)
            << vantlink::diagnose_port_open(path);
        HC_set_port_device(c.port, "");
    }
}

// wine shares a COM port with a second opener, so these reasons are checked by their codes.
TEST(LinkWinPort, RefusedOpensNameTheirCause) {
    const std::pair<DWORD, const char*> cases[] = {
        {ERROR_ACCESS_DENIED, "\\\\.\\COM1 is in use by another program"},
        {ERROR_SHARING_VIOLATION, "\\\\.\\COM1 is in use by another program"},
        {ERROR_FILE_NOT_FOUND, "No such device: \\\\.\\COM1"},
        {ERROR_INVALID_FUNCTION, "\\\\.\\COM1 is not a serial device"},
    };
    const std::string path = "\\\\.\\COM1";
    for (const auto& [error, reason] : cases) {
        EXPECT_EQ(vantlink::port_open_reason(path, static_cast<int>(error)), reason);
    }
    // Any other failure in the system's own words.
    const std::string other = vantlink::port_open_reason(path, ERROR_NOT_READY);
    EXPECT_EQ(other.rfind(path + ": ", 0), 0u);
    EXPECT_GT(other.size(), path.size() + 2);
}

int g_app_messages = 0;
LRESULT CALLBACK count_app_messages(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP) ++g_app_messages;
    return DefWindowProcA(window, message, w, l);
}

int g_caller_pumps = 0;
void caller_pump() {
    ++g_caller_pumps;
}

TEST(LinkWinWait, DelaysDispatchTheThreadsMessagesUnlessTheCallerPumps) {
    WNDCLASSA type{};
    type.lpfnWndProc = count_app_messages;
    type.lpszClassName = "vantlink_test";
    RegisterClassA(&type);
    const HWND window =
        CreateWindowA("vantlink_test", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
    const DWORD start = GetTickCount();
    EXPECT_GT(HM_time_delay(50), 50);
    EXPECT_EQ(g_app_messages, 3);
    EXPECT_LT(GetTickCount() - start, 1000u) << "a queued message must not stall the wait";

    HM_set_message_pump(caller_pump);
    PostMessageA(window, WM_APP, 0, 0);
    HM_time_delay(20);
    HM_set_message_pump(nullptr);
    EXPECT_EQ(g_app_messages, 3) << "the caller's pump replaces the system's";
    EXPECT_GT(g_caller_pumps, 1);
    DestroyWindow(window);
}

TEST(LinkWinLocalFile, UploadsReplaceOrKeepTheFile) {
    struct Case {
        int32_t mode;
        bool completes;
        const char* after;
    };
    const Case cases[] = {
        {UPLOAD_SAVE_OVERWRITE, true, "new"},
        {UPLOAD_SAVE_OVERWRITE, false, "old"},
        {UPLOAD_SAVE_APPEND, true, "oldnew"},
        {UPLOAD_SAVE_APPEND, false, "old"},
    };
    const std::string path = "vantlink_win_test.dat";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << (c.completes ? " completes" : " fails"));
        write_all(path, "old");
        vantlink::LocalUpload upload;
        ASSERT_TRUE(upload.begin(path, c.mode));
        vantlink::LocalUpload other;
        EXPECT_FALSE(other.begin(path, c.mode)) << "a held file is not shared";
        ASSERT_TRUE(upload.write({reinterpret_cast<const uint8_t*>("new\n\r\x1a"), 3}));
        if (c.completes) {
            EXPECT_TRUE(upload.commit());
        } else {
            upload.abandon();
        }
        EXPECT_EQ(read_all(path), c.after);
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    }
    // New mode beside an existing file takes a free name; failing removes what it made.
    vantlink::LocalUpload fresh;
    ASSERT_TRUE(fresh.begin(path, UPLOAD_SAVE_NEW));
    EXPECT_EQ(fresh.name(), "vantlink_win_tes0.dat");
    fresh.abandon();
    EXPECT_FALSE(vantlink::file_exists("vantlink_win_tes0.dat"));
    DeleteFileA(path.c_str());
}

}  // namespace
