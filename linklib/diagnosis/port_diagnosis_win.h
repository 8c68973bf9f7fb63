// Why a serial device would not open, on Windows: the same functions and the same wording as
// the POSIX form, for COM ports opened by name (\\.\COM<n>). Device servers on the network are
// not offered on Windows, and say so.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace vantlink {

// The system's own text for error, without its line end.
inline std::string system_error_text(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length != 0 && text != nullptr ? std::string(text, length)
                                                        : "error " + std::to_string(error);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result;
}

// The reason for error, the system error code of the step of opening path that failed. A COM
// port another program holds answers "access denied": ports are never shared.
inline std::string port_open_reason(const std::string& path, int error) {
    switch (static_cast<DWORD>(error)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_INVALID_NAME:
            return "No such device: " + path;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return path + " is in use by another program";
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_HANDLE:
            return path + " is not a serial device";
        default:
            return path + ": " + system_error_text(static_cast<DWORD>(error));
    }
}

inline bool is_network_url(const std::string& device) {
    const std::size_t mark = device.find("://");
    if (mark == std::string::npos || mark == 0) return false;
    if (std::isalpha(static_cast<unsigned char>(device[0])) == 0) return false;
    return std::all_of(device.begin(), device.begin() + static_cast<std::ptrdiff_t>(mark),
                       [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' ||
                                  c == '-' || c == '.';
                       });
}

inline std::string diagnose_network_url(const std::string& url, int = 1000) {
    return url + ": device servers on the network are not supported on Windows";
}

// Opens path again as the link library does (exclusive, then its line settings read) and lets
// go at once; the error of the first step that fails, 0 when every step succeeds.
inline int probe_port_open(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const int error = GetCommState(handle, &dcb) ? 0 : static_cast<int>(GetLastError());
    CloseHandle(handle);
    return error;
}

}  // namespace vantlink
