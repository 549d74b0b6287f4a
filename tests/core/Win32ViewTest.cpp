// The Win32 windows: dialogs built from the shared templates, the resources
// and the pumping wait, with real windows (Wine on the test run's X display).
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "res/DialogTemplates.h"
#include "support/TempDir.h"
#include "ui/win32/DialogTemplate.h"
#include "ui/win32/LocationDlg.h"
#include "ui/win32/PumpWait.h"
#include "ui/win32/ResourceIds.h"

namespace svx {
namespace {

INT_PTR CALLBACK PassiveProcedure(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A template's dialog, modeless, destroyed with the test.
class BuiltDialog {
 public:
  explicit BuiltDialog(int id) : words_(BuildDialogTemplate(*FindDialogTemplate(id))) {
    hwnd_ = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEA>(words_.data()), nullptr,
                                         &PassiveProcedure, 0);
  }
  ~BuiltDialog() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  HWND Handle() const { return hwnd_; }

 private:
  std::vector<WORD> words_;
  HWND hwnd_ = nullptr;
};

std::string ClassOf(HWND w) {
  char name[64] = {};
  ::GetClassNameA(w, name, sizeof name);
  return name;
}

std::string TextOf(HWND w) {
  char text[256] = {};
  ::GetWindowTextA(w, text, sizeof text);
  return text;
}

TEST(Win32Dialogs, AreBuiltFromTheSharedTemplatesInTabOrder) {
  for (int id : {IDD_ABOUT, IDD_MAIN, IDD_LOCATION}) {
    const DialogTemplate& t = *FindDialogTemplate(id);
    SCOPED_TRACE(t.caption);
    BuiltDialog dialog(id);
    ASSERT_NE(dialog.Handle(), nullptr) << "no window (is there a display?)";
    EXPECT_EQ(TextOf(dialog.Handle()), t.caption);
    const LONG_PTR ex = ::GetWindowLongPtrA(dialog.Handle(), GWL_EXSTYLE);
    EXPECT_EQ((ex & WS_EX_APPWINDOW) != 0, (t.style & kDlgAppWindow) != 0);
    const LONG_PTR frame = ::GetWindowLongPtrA(dialog.Handle(), GWL_STYLE);
    EXPECT_EQ(frame & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);

    // The child windows come in template order, which is the tab order.
    HWND child = ::GetWindow(dialog.Handle(), GW_CHILD);
    for (const ControlTemplate& c : t.controls) {
      ASSERT_NE(child, nullptr) << c.text;
      SCOPED_TRACE(c.text);
      if (c.id != kStaticId) {
        EXPECT_EQ(::GetDlgCtrlID(child), c.id);
      }
      const std::string cls = ClassOf(child);
      EXPECT_EQ(cls, ControlClass(c) == 0x0081   ? "Edit"
                     : ControlClass(c) == 0x0082 ? "Static"
                                                 : "Button");
      const LONG_PTR style = ::GetWindowLongPtrA(child, GWL_STYLE);
      EXPECT_EQ((style & WS_TABSTOP) != 0, (c.flags & kCtlTabStop) != 0);
      if (c.kind == ControlKind::kEdit) {
        EXPECT_EQ((style & ES_READONLY) != 0, (c.flags & kCtlReadOnly) != 0);
      } else if (c.kind != ControlKind::kIcon) {
        // "\n" breaks a line in the template, as in a resource script.
        EXPECT_EQ(TextOf(child), c.text);
      }
      if (c.kind == ControlKind::kIcon) {
        EXPECT_NE(::SendMessageA(child, STM_GETICON, 0, 0), 0) << "icon 128 not found";
      }
      child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
  }
}

TEST(Win32Dialogs, SizesTheMainWindowInDialogUnits) {
  BuiltDialog dialog(IDD_MAIN);
  ASSERT_NE(dialog.Handle(), nullptr);
  RECT units{0, 0, 479, 123};
  ::MapDialogRect(dialog.Handle(), &units);
  RECT client;
  ::GetClientRect(dialog.Handle(), &client);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);
}

TEST(Win32Resources, HoldTheImagesUnderTheirIds) {
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  for (int id : {IDB_VALID, IDB_INVALID}) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    ASSERT_NE(bitmap, nullptr) << id;
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 42);
    EXPECT_EQ(info.bmHeight, 38);
    ::DeleteObject(bitmap);
  }
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(
        ::LoadImageA(self, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ::DestroyIcon(icon);
  }
}

TEST(Win32FolderBrowser, GivesThePathOfThePickedFolderWhole) {
  test::TempDir tmp;
  // Fewer than MAX_PATH characters, but more than MAX_PATH bytes of UTF-8.
  std::string letters;
  for (int i = 0; i < 120; ++i) letters += "Ж";
  const std::string outer = tmp.Str() + "\\" + letters;
  const std::string folder = outer + "\\Симулятор Ü";
  ASSERT_TRUE(::CreateDirectoryA(outer.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));

  PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(WideText(folder).c_str());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(FileSystemPathOf(item), folder);
  ::ILFree(item);

  // "Computer" is a pick without a file-system path.
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &item), S_OK);
  EXPECT_EQ(FileSystemPathOf(item), std::nullopt);
  ::ILFree(item);
}

TEST(Win32PumpWait, EndsOnItsTimerAndHandsAQuitBack) {
  HWND window = ::CreateWindowExA(0, "STATIC", "Svx pump test", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  // The pass asks for timer 0.
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(Win32PumpWait(window, 0, 100), 0);
  EXPECT_GE(::GetTickCount() - start, 90u);

  ::PostQuitMessage(0);
  EXPECT_EQ(Win32PumpWait(window, 0, 5000), 1);
  // Every later wait ends at once, and the quit still reaches the outer loop.
  EXPECT_EQ(Win32PumpWait(window, 0, 5000), 1);
  MSG msg;
  EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  ::DestroyWindow(window);
}

// Runs a loop of its own for 1.2 s on WM_APP, as a menu or a modal dialog
// opened from a key press would, taking every message meanwhile.
LRESULT CALLBACK NestedLoopProcedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_APP) return ::DefWindowProcA(w, message, wParam, lParam);
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (::GetTickCount() - start < 1200) {
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageA(&msg);
    } else {
      ::Sleep(1);
    }
  }
  return 0;
}

TEST(Win32PumpWait, EndsOnceALoopThatTookItsTimerReturns) {
  HWND window = ::CreateWindowExA(0, "STATIC", "Svx pump test", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NestedLoopProcedure));
  ::PostMessageA(window, WM_APP, 0, 0);
  // The 1 s interval passes inside the other loop; waiting for the timer's
  // next message would take until 2 s.
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(Win32PumpWait(window, 0, 1000), 0);
  EXPECT_LT(::GetTickCount() - start, 1800u);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace svx
