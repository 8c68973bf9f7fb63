// The serial device behind a port number on Windows: a COM port opened exclusively, its line
// set through the DCB, reads that return at once, and a wait on the port's receive event and
// the caller's message queue together.
#include <windows.h>

#include <algorithm>
#include <array>
#include <utility>

#include "line_io.h"
#include "port_diagnosis.h"
#include "serial_port.h"
#include "trace.h"
#include "wait_win.h"

namespace vantlink {
namespace {

// A lost line tries its device again at most this often, and only while an operation runs.
constexpr int32_t kReopenIntervalMs = 500;
// A write that cannot complete looks at the cancel flag at least this often.
constexpr DWORD kWriteSliceMs = 100;

// Only byte size, parity and stop bits change, with the speed; flow control, DTR/RTS handling
// and the special characters stay as the device had them. fBinary: Windows takes no other.
bool apply_line_settings(HANDLE handle, const LineSettings& settings, DWORD& error) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) return error = GetLastError(), false;
    if (settings.data_bits < 5 || settings.data_bits > 8) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    dcb.BaudRate = settings.baud_rate;
    dcb.ByteSize = static_cast<BYTE>(settings.data_bits);
    dcb.Parity = settings.parity == 0 ? NOPARITY : (settings.parity == 1 ? ODDPARITY : EVENPARITY);
    dcb.fParity = settings.parity != 0;
    dcb.StopBits = settings.stop_bits == 1 ? ONESTOPBIT : TWOSTOPBITS;
    dcb.fBinary = TRUE;
    if (!SetCommState(handle, &dcb)) return error = GetLastError(), false;
    // A read returns at once with what has arrived, possibly nothing; write time-outs stay.
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handle, &timeouts)) return error = GetLastError(), false;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(handle, &timeouts) || !SetCommMask(handle, EV_RXCHAR)) {
        return error = GetLastError(), false;
    }
    return true;
}

// Overlapped, so that waiting for input can share one wait with the message queue.
HANDLE open_configured(const std::string& path, const std::string& name,
                       const LineSettings& settings, DWORD& error) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return error = GetLastError(), INVALID_HANDLE_VALUE;
    if (!apply_line_settings(handle, settings, error)) {
        CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    trace_note(name.c_str(), "open " + path);
    error = 0;
    return handle;
}

// Where the receive event cannot be waited for cheaply, the wait looks at the input queue
// this often.
constexpr int kPolledSliceMs = 1;

// wine carries out WaitCommEvent by polling the line on a thread of its own, at half a core and
// more while a command waits for an answer; there the wait sleeps in short slices instead.
bool comm_events_usable() {
    static const bool usable =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
    return usable;
}

// The errors of a device that went away (a USB adapter pulled out).
bool device_gone(DWORD error) {
    return error == ERROR_DEVICE_REMOVED || error == ERROR_BAD_COMMAND ||
           error == ERROR_GEN_FAILURE || error == ERROR_DEV_NOT_EXIST;
}

class Event {
public:
    Event() : handle_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class WinSerialTransport final : public Transport {
public:
    WinSerialTransport(HANDLE handle, std::string path, std::string name,
                       const LineSettings& settings)
        : handle_(handle), path_(std::move(path)), name_(std::move(name)), settings_(settings) {}
    ~WinSerialTransport() override { close_device(); }

    bool write(std::span<const uint8_t> bytes) override {
        if (handle_ == INVALID_HANDLE_VALUE && !try_reopen()) return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = write_event_.get();
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) return fail(GetLastError());
            // A line that takes nothing more (flow control held) must not hold a cancelled call.
            while (WaitForSingleObject(overlapped.hEvent, kWriteSliceMs) == WAIT_TIMEOUT) {
                if (waits_cut_short()) {
                    CancelIo(handle_);
                    GetOverlappedResult(handle_, &overlapped, &written, TRUE);
                    return false;
                }
            }
            if (!GetOverlappedResult(handle_, &overlapped, &written, FALSE)) {
                return fail(GetLastError());
            }
        }
        return written == bytes.size();
    }

    int read_byte() override {
        if (next_ < filled_) return buffer_[next_++];
        if (handle_ == INVALID_HANDLE_VALUE) return -1;
        // Only what has arrived is asked for: the read then completes at once, also where an
        // overlapped read would otherwise wait for data despite the time-outs (wine).
        const DWORD waiting = bytes_waiting();
        if (waiting == 0) return -1;
        OVERLAPPED overlapped{};
        overlapped.hEvent = read_event_.get();
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min<size_t>(waiting, buffer_.size()));
        if (!ReadFile(handle_, buffer_.data(), wanted, &got, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING ||
                !GetOverlappedResult(handle_, &overlapped, &got, TRUE)) {
                fail(GetLastError());
                return -1;
            }
        }
        next_ = 0;
        filled_ = got;
        return next_ < filled_ ? buffer_[next_++] : -1;
    }

    // Only input is discarded: dropping output could cut off the ACK that the previous
    // exchange just wrote, and the terminal would then send the same record again.
    void purge() override {
        next_ = filled_ = 0;
        if (handle_ != INVALID_HANDLE_VALUE) PurgeComm(handle_, PURGE_RXCLEAR);
    }
    void drain() override {
        if (handle_ != INVALID_HANDLE_VALUE) FlushFileBuffers(handle_);
    }

    void wait_readable(int timeout_ms) override {
        if (next_ < filled_) return;
        if (handle_ == INVALID_HANDLE_VALUE) {
            if (try_reopen()) return;
            const auto until_attempt = static_cast<int32_t>(next_attempt_ms_ - tick_ms());
            wait_for_handle_or_message(nullptr,
                                       std::clamp(until_attempt, 1, std::max(timeout_ms, 1)));
            return;
        }
        // The receive event is armed before the queue is looked at, so a byte that arrives
        // between the two still ends the wait.
        if (!comm_events_usable()) {
            if (bytes_waiting() == 0) {
                wait_for_handle_or_message(nullptr, std::min(timeout_ms, kPolledSliceMs));
            }
            return;
        }
        if (!arm_receive_event()) return;
        if (bytes_waiting() > 0) return;
        if (wait_for_handle_or_message(comm_event_.get(), timeout_ms)) {
            DWORD ignored = 0;
            if (!GetOverlappedResult(handle_, &comm_overlapped_, &ignored, FALSE)) {
                fail(GetLastError());
            }
            comm_pending_ = false;
        }
    }

    bool line_lost() const override { return handle_ == INVALID_HANDLE_VALUE; }
    const char* name() const override { return name_.c_str(); }

private:
    bool arm_receive_event() {
        if (comm_pending_) return true;
        comm_overlapped_ = OVERLAPPED{};
        comm_overlapped_.hEvent = comm_event_.get();
        if (WaitCommEvent(handle_, &comm_mask_, &comm_overlapped_)) return true;
        if (GetLastError() != ERROR_IO_PENDING) {
            fail(GetLastError());
            return false;
        }
        comm_pending_ = true;
        return true;
    }

    // Bytes received and not yet read; 0 also when the device cannot tell.
    DWORD bytes_waiting() {
        COMSTAT status{};
        DWORD errors = 0;
        if (!ClearCommError(handle_, &errors, &status)) {
            fail(GetLastError());
            return 0;
        }
        return status.cbInQue;
    }

    // A device that went away is closed and tried again later; other failures are left to the
    // exchange, which sees the line silent.
    bool fail(DWORD error) {
        if (device_gone(error) && handle_ != INVALID_HANDLE_VALUE) {
            close_device();
            const std::string reason = diagnose_port_open(path_);
            trace_note(name_.c_str(),
                       "line lost: " + (reason.empty() ? path_ + " went away" : reason));
            next_attempt_ms_ = tick_ms() + kReopenIntervalMs;
        }
        return false;
    }

    bool try_reopen() {
        if (static_cast<int32_t>(tick_ms() - next_attempt_ms_) < 0) return false;
        next_attempt_ms_ = tick_ms() + kReopenIntervalMs;
        DWORD error = 0;
        handle_ = open_configured(path_, name_, settings_, error);
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        trace_note(name_.c_str(), "line back");
        return true;
    }

    void close_device() {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        if (comm_pending_) {
            // The pending wait writes into this object: it must have ended before the close.
            SetCommMask(handle_, 0);
            CancelIo(handle_);
            DWORD ignored = 0;
            GetOverlappedResult(handle_, &comm_overlapped_, &ignored, TRUE);
            comm_pending_ = false;
        }
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        next_ = filled_ = 0;
    }

    HANDLE handle_;
    std::string path_;
    std::string name_;
    LineSettings settings_;
    Event read_event_;
    Event write_event_;
    Event comm_event_;
    OVERLAPPED comm_overlapped_{};
    DWORD comm_mask_ = 0;
    bool comm_pending_ = false;
    std::array<uint8_t, 256> buffer_{};
    DWORD next_ = 0;
    DWORD filled_ = 0;
    uint32_t next_attempt_ms_ = 0;
};

}  // namespace

std::unique_ptr<Transport> open_serial_port(const std::string& path, const std::string& name,
                                            const LineSettings& settings, int* error) {
    DWORD failed = 0;
    const HANDLE handle = open_configured(path, name, settings, failed);
    if (error != nullptr) *error = static_cast<int>(failed);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinSerialTransport>(handle, path, name, settings);
}

}  // namespace vantlink
