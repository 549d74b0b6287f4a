// Win32 only.
#include "ui/win32/AboutDlg.h"

#include "ui/win32/ResourceIds.h"

namespace svx {

INT_PTR CAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      // OK, and Escape or the close box (IDCANCEL).
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(hwnd_, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace svx
