// Win32 only: the plumbing every dialog window of the tool shares. A dialog
// class receives its messages through OnMessage and holds no behaviour; the
// behaviour lives in the toolkit-free classes of ui/.
#pragma once

#include <windows.h>

#include <string>

#include "prep/Preparation.h"
#include "res/Strings.h"
#include "ui/win32/AccessibleName.h"
#include "ui/win32/ResourceIds.h"

namespace svx {

class Win32Dialog {
 public:
  explicit Win32Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Win32Dialog() = default;

  // Builds the window from the dialog's template and runs it modally.
  int RunModal(HWND owner = nullptr);
  HWND Handle() const { return hwnd_; }
  int TemplateId() const { return templateId_; }

 protected:
  // TRUE when the message was handled, as a dialog procedure answers.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  void SetText(int id, const std::string& text);
  std::string GetText(int id) const;
  int Message(const std::string& text, const std::string& caption, int style);
  // Sets a bitmap button's image; a null bitmap leaves it as it is.
  void SetButtonImage(int id, HBITMAP bitmap);

  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
};

// Text between the system's wide calls and the code page of the ANSI calls,
// which the manifest makes UTF-8 where Windows honours it.
std::string NarrowText(const wchar_t* text);
std::wstring WideText(const std::string& text);

// Loads bitmap 130 or 131 with its grey mapped to the system's button face.
HBITMAP LoadResourceBitmap(int id);

// The green check mark and the red X of a status button, released with the
// dialog that shows them.
class StatusBitmaps {
 public:
  StatusBitmaps() = default;
  ~StatusBitmaps();
  StatusBitmaps(const StatusBitmaps&) = delete;
  StatusBitmaps& operator=(const StatusBitmaps&) = delete;

  void Load();
  // Null for no image, which leaves the button as it is.
  HBITMAP For(StatusImage image) const;

 private:
  HBITMAP valid_ = nullptr;
  HBITMAP invalid_ = nullptr;
};

// The window of one of the behaviour classes of ui/ (View is MainView or
// LocationView): what both do alike. Their message boxes are owned by the
// dialog, and the status button shows the green check mark or the red X,
// with a name that says the same to a screen reader.
template <class View>
class Win32View : public Win32Dialog, public View {
 public:
  using Win32Dialog::Win32Dialog;

  // The name changes with the image, and only when the image does.
  void SetStatusImage(StatusImage image) override {
    HBITMAP bitmap = status_.For(image);
    if (bitmap == nullptr) return;
    SetButtonImage(IDC_STATUS, bitmap);
    const int id = image == StatusImage::kValid ? IDB_VALID : IDB_INVALID;
    SetAccessibleName(::GetDlgItem(hwnd_, IDC_STATUS),
                      std::string(StatusButtonName(TemplateId(), id)));
  }
  // During WM_INITDIALOG this only marks the dialog as ended: it is destroyed
  // without ever being shown.
  void EndDialog(int result) override { ::EndDialog(hwnd_, result); }
  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    return Message(text, caption, style);
  }

 protected:
  // Loaded by the dialog as it initialises.
  StatusBitmaps status_;
};

}  // namespace svx
