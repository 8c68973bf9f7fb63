// The one blocking wait of the library on Windows.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vantlink {

// Sleeps until handle is signalled (nullptr: no handle), a message arrives for the calling
// thread, or ms have passed; true when the handle ended it.
bool wait_for_handle_or_message(HANDLE handle, int32_t ms);

}  // namespace vantlink
