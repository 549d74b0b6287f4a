// Win32 only: the About box (template 100); it only closes.
#pragma once

#include "ui/win32/Win32Dialog.h"

namespace svx {

class CAboutDlg : public Win32Dialog {
 public:
  CAboutDlg() : Win32Dialog(IDD_ABOUT) {}

 protected:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace svx
