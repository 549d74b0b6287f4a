// Win32 only.
#include "ui/win32/Win32Dialog.h"

#include "ui/win32/AccessibleName.h"
#include "ui/win32/DialogTemplate.h"
#include "ui/win32/ResourceIds.h"

namespace svx {

int Win32Dialog::RunModal(HWND owner) {
  return static_cast<int>(RunDialogTemplate(templateId_, owner, &Win32Dialog::Procedure,
                                            reinterpret_cast<LPARAM>(this)));
}

INT_PTR CALLBACK Win32Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32Dialog*>(lParam);
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    if (const DialogTemplate* t = FindDialogTemplate(self->templateId_)) {
      NameTemplateControls(hwnd, *t);
    }
  } else {
    self = reinterpret_cast<Win32Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) have no object yet.
  if (self == nullptr) return FALSE;
  INT_PTR handled = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
  }
  return handled;
}

void Win32Dialog::SetText(int id, const std::string& text) {
  ::SetDlgItemTextA(hwnd_, id, text.c_str());
}

std::string Win32Dialog::GetText(int id) const {
  HWND control = ::GetDlgItem(hwnd_, id);
  if (control == nullptr) return std::string();
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
  int length = ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

int Win32Dialog::Message(const std::string& text, const std::string& caption, int style) {
  return ::MessageBoxA(hwnd_, text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

void Win32Dialog::SetButtonImage(int id, HBITMAP bitmap) {
  if (bitmap == nullptr) return;
  ::SendDlgItemMessageA(hwnd_, id, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

std::string NarrowText(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.pop_back();  // its terminating zero
  return narrow;
}

std::wstring WideText(const std::string& text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

HBITMAP LoadResourceBitmap(int id) {
  return static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                           IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

StatusBitmaps::~StatusBitmaps() {
  if (valid_) ::DeleteObject(valid_);
  if (invalid_) ::DeleteObject(invalid_);
}

void StatusBitmaps::Load() {
  if (!valid_) valid_ = LoadResourceBitmap(IDB_VALID);
  if (!invalid_) invalid_ = LoadResourceBitmap(IDB_INVALID);
}

HBITMAP StatusBitmaps::For(StatusImage image) const {
  switch (image) {
    case StatusImage::kValid:
      return valid_;
    case StatusImage::kInvalid:
      return invalid_;
    default:
      return nullptr;
  }
}

}  // namespace svx
