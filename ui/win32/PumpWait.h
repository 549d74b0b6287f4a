// Win32 only: the pass's message-pumping wait.
#pragma once

#include <windows.h>

namespace svx {

// Dispatches every message of the thread, for any window, until a timer
// message (0), a destroy or quit message (1); -1 when the timer cannot start.
// A quit taken here is posted again for the outer loop.
int Win32PumpWait(HWND window, UINT_PTR timerId, UINT ms);

}  // namespace svx
