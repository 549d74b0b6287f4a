// Win32 only: the change-location dialog (template 129) over the
// LocationDialog behaviour.
#pragma once

#include <windows.h>

#include <shtypes.h>

#include <optional>
#include <string>

#include "ui/LocationDialog.h"
#include "ui/win32/Win32Dialog.h"

namespace svx {

// The file-system path of a shell item; nothing for an item without one (such
// as "Network").
std::optional<std::string> FileSystemPathOf(PCIDLIST_ABSOLUTE item);

class CLocationDlg : public Win32View<LocationView> {
 public:
  explicit CLocationDlg(LocationDialog& behaviour)
      : Win32View(IDD_LOCATION), behaviour_(behaviour) {}
  CLocationDlg(const CLocationDlg&) = delete;
  CLocationDlg& operator=(const CLocationDlg&) = delete;

  // LocationView
  void ShowValues(const LocationValues& values) override;
  void CollectValues(LocationValues& values) override;
  std::optional<std::string> BrowseForFolder(const std::string& title) override;

 protected:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LocationDialog& behaviour_;
};

}  // namespace svx
