// Win32 only.
#include "ui/win32/LocationDlg.h"

#include <shlobj.h>

#include <utility>

#include "ui/win32/ResourceIds.h"

namespace svx {

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

std::optional<std::string> FileSystemPathOf(PCIDLIST_ABSOLUTE item) {
  // Wide, then narrowed: with UTF-8 as the ANSI code page a path of fewer than
  // MAX_PATH characters can take more than MAX_PATH bytes, and
  // SHGetPathFromIDListA then cuts it off unterminated and still reports
  // success (measured with Wine 8).
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(item, path)) return std::nullopt;
  return NarrowText(path);
}

std::optional<std::string> CLocationDlg::BrowseForFolder(const std::string& title) {
  wchar_t displayName[MAX_PATH] = {};
  const std::wstring wideTitle = WideText(title);
  BROWSEINFOW info{};
  info.hwndOwner = hwnd_;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = wideTitle.c_str();
  PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
  if (item == nullptr) return std::nullopt;
  std::optional<std::string> path = FileSystemPathOf(item);
  ::CoTaskMemFree(item);
  // A pick with no file-system path gives its display name; the folder test
  // then shows it as invalid.
  return path ? std::move(*path) : NarrowText(displayName);
}

}  // namespace svx
