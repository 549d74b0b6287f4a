// Win32 only.
#include "ui/win32/PatchDlg.h"

#include <cstdio>
#include <string>

#include "res/Strings.h"
#include "ui/win32/AboutDlg.h"
#include "ui/win32/LocationDlg.h"
#include "ui/win32/PumpWait.h"
#include "ui/win32/ResourceIds.h"

namespace svx {
namespace {

HICON LoadIconSized(int size) {
  return static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                         MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR));
}

}  // namespace

CPatchDlg::CPatchDlg(Platform& platform, const ProductConfig& config)
    : Win32View(IDD_MAIN), behaviour_(*this, platform, config) {
  bigIcon_ = LoadIconSized(::GetSystemMetrics(SM_CXICON));
  smallIcon_ = LoadIconSized(::GetSystemMetrics(SM_CXSMICON));
}

CPatchDlg::~CPatchDlg() {
  if (bigIcon_) ::DestroyIcon(bigIcon_);
  if (smallIcon_) ::DestroyIcon(smallIcon_);
}

void CPatchDlg::AppendAboutItem() {
  HMENU menu = ::GetSystemMenu(hwnd_, FALSE);
  if (menu == nullptr) return;
  const std::string text(LoadResString(IDS_ABOUTBOX));
  if (text.empty()) return;
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

bool CPatchDlg::PaintMinimized() {
  if (!::IsIconic(hwnd_)) return false;
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd_, &paint);
  ::SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, bigIcon_);
  ::EndPaint(hwnd_, &paint);
  return true;
}

INT_PTR CPatchDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      AppendAboutItem();
      ::SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
      ::SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
      status_.Load();
      return behaviour_.OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDOK:
          behaviour_.OnPreparation();
          return TRUE;
        case IDCANCEL:  // also Escape and the close box
          behaviour_.OnCancel();
          return TRUE;
        case IDC_LAUNCH:
          behaviour_.OnLaunch();
          return TRUE;
        case IDC_CHANGE_LOCATION:
          behaviour_.OnChangeLocation();
          return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        behaviour_.OnAbout();
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      return PaintMinimized() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // One of the few messages whose answer is the dialog procedure's own
      // return value, not DWLP_MSGRESULT.
      return reinterpret_cast<INT_PTR>(bigIcon_);
    case WM_QUERYENDSESSION:
      ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, behaviour_.OnQueryEndSession() ? TRUE : FALSE);
      return TRUE;
  }
  return FALSE;
}

void CPatchDlg::ShowValues(const MainValues& values) {
  SetText(IDC_TITLE, values.title);
  SetText(IDC_SIMPATH, values.simFolder);
  char number[16];
  const std::pair<int, int32_t> counters[] = {{IDC_CHECKED, values.counters.checked},
                                              {IDC_REMOVED, values.counters.removed},
                                              {IDC_RENAMED, values.counters.renamed}};
  for (const auto& [id, value] : counters) {
    std::snprintf(number, sizeof number, "%d", static_cast<int>(value));
    SetText(id, number);
  }
}

void CPatchDlg::CollectValues(MainValues& values) {
  values.title = GetText(IDC_TITLE);
  values.simFolder = GetText(IDC_SIMPATH);
  // A field that does not hold a decimal number leaves its counter as it was.
  const std::pair<int, int32_t*> counters[] = {{IDC_CHECKED, &values.counters.checked},
                                               {IDC_REMOVED, &values.counters.removed},
                                               {IDC_RENAMED, &values.counters.renamed}};
  for (const auto& [id, value] : counters) {
    BOOL ok = FALSE;
    const int parsed = static_cast<int>(::GetDlgItemInt(hwnd_, id, &ok, TRUE));
    if (ok) *value = parsed;
  }
}

void CPatchDlg::EnableControl(int id, bool enable) {
  ::EnableWindow(::GetDlgItem(hwnd_, id), enable ? TRUE : FALSE);
}

void CPatchDlg::BeginBusy() {
  ::SetCapture(hwnd_);
  ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

void CPatchDlg::EndBusy() {
  ::ReleaseCapture();
}

int CPatchDlg::PumpWait(int timerId, int ms) {
  const int result = Win32PumpWait(hwnd_, static_cast<UINT_PTR>(timerId), static_cast<UINT>(ms));
  // The wait hands a quit back for the outer loop, but left in the queue it
  // would end the pass's outcome box before the user could read it. Taken
  // here, it ends the tool as Exit does, once the pass is over.
  MSG quit;
  if (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) behaviour_.OnCancel();
  return result;
}

int CPatchDlg::RunLocationDialog(LocationDialog& dialog) {
  CLocationDlg window(dialog);
  return window.RunModal(hwnd_);
}

void CPatchDlg::RunAboutBox() {
  CAboutDlg about;
  about.RunModal(hwnd_);
}

}  // namespace svx
