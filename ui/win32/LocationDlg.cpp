// Win32 only.
#include "ui/win32/LocationDlg.h"

#include <shlobj.h>

#include "ui/win32/ResourceIds.h"

namespace svx {

int CLocationDlg::RunModal(HWND owner) {
  return Win32Dialog::RunModal(IDD_LOCATION, owner);
}

INT_PTR CLocationDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      behaviour_.Attach(*this);
      status_.Load();
      return behaviour_.OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_BROWSE:
          behaviour_.OnBrowse();
          return TRUE;
        case IDC_USE_REGISTRY:
          behaviour_.OnUseRegistry();
          return TRUE;
        case IDOK:
          behaviour_.OnOk();
          return TRUE;
        case IDCANCEL:  // also Escape and the close box
          behaviour_.OnCancel();
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void CLocationDlg::ShowValues(const LocationValues& values) {
  SetText(IDC_REGISTRY_PATH, values.registryFolder);
  SetText(IDC_NEW_PATH, values.newFolder);
}

void CLocationDlg::CollectValues(LocationValues& values) {
  values.registryFolder = GetText(IDC_REGISTRY_PATH);
  values.newFolder = GetText(IDC_NEW_PATH);
}

void CLocationDlg::SetStatusImage(StatusImage image) {
  SetButtonImage(IDC_STATUS, status_.For(image));
}

void CLocationDlg::EndDialog(int result) {
  ::EndDialog(hwnd_, result);
}

std::optional<std::string> CLocationDlg::BrowseForFolder(const std::string& title) {
  char buffer[1000] = {};
  BROWSEINFOA info{};
  info.hwndOwner = hwnd_;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = buffer;
  info.lpszTitle = title.c_str();
  LPITEMIDLIST item = ::SHBrowseForFolderA(&info);
  if (item == nullptr) return std::nullopt;
  // A pick with no file-system path leaves the display name in the buffer;
  // the folder test then shows it as invalid.
  ::SHGetPathFromIDListA(item, buffer);
  ::CoTaskMemFree(item);
  return std::string(buffer);
}

int CLocationDlg::ShowMessage(const std::string& text, const std::string& caption, int style) {
  return Message(text, caption, style);
}

}  // namespace svx
