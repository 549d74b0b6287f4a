// Win32 only.
#include "ui/win32/PumpWait.h"

namespace svx {

int Win32PumpWait(HWND window, UINT_PTR timerId, UINT ms) {
  if (::SetTimer(window, timerId, ms, nullptr) == 0) return -1;
  const DWORD start = ::GetTickCount();
  int result = -1;
  bool quit = false;
  MSG msg;
  while (result < 0) {
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // Sleeps until something is posted rather than spinning; the timer's
      // message always comes.
      ::WaitMessage();
      continue;
    }
    if (msg.message == WM_DESTROY) {
      result = 1;
    } else if (msg.message == WM_QUIT) {
      result = 1;
      quit = true;
    } else if (msg.message == WM_TIMER) {
      result = 0;
    }
    // Straight to the window: no dialog keyboard handling (Tab, Enter, Escape)
    // while the pass runs.
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
    // A modal loop run by that message (a menu, a dialog) takes the timer's
    // messages itself; once it returns, the interval may long have passed.
    if (result < 0 && ::GetTickCount() - start >= ms) result = 0;
  }
  ::KillTimer(window, timerId);
  if (quit) ::PostQuitMessage(0);
  return result;
}

}  // namespace svx
