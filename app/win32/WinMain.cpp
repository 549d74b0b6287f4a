// Win32 only: the application start (CPatchApp). The main window is a modal
// dialog; when it closes the program ends, whatever its result.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "ui/win32/PatchDlg.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The shell's folder browser needs COM in a single-threaded apartment.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    svx::CPatchDlg dialog(svx::SystemPlatform(svx::CheckRegistryFolder));
    dialog.RunModal();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}
