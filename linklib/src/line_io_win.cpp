// The tick, the default message pump and the sleeps of the waits on Windows.
#include <windows.h>

#include "line_io.h"
#include "wait_win.h"

namespace vantlink {
namespace {

// One message per pass, so a caller flooded with messages still sees its line served.
void dispatch_one_message() {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

uint32_t tick_ms() {
    return GetTickCount();
}

MessagePump system_message_pump() {
    return dispatch_one_message;
}

void idle_sleep(int32_t ms) {
    wait_for_handle_or_message(nullptr, ms);
}

bool wait_for_handle_or_message(HANDLE handle, int32_t ms) {
    const DWORD count = handle != nullptr ? 1 : 0;
    // MWMO_INPUTAVAILABLE: a message already queued (one pass dispatches only one) ends it too.
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handle != nullptr ? &handle : nullptr,
                                                   static_cast<DWORD>(ms < 0 ? 0 : ms), QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    return handle != nullptr && woke == WAIT_OBJECT_0;
}

}  // namespace vantlink
