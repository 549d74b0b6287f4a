// The change-location dialog on wx, over the behaviour in LocationDialog.
#pragma once

#include "ui/LocationDialog.h"
#include "ui/wx/WxView.h"

namespace svx {

class CLocationDlg : public WxView<LocationView> {
 public:
  CLocationDlg(wxWindow* parent, LocationDialog& behaviour);

  // Initialisation, then the modal loop unless it already ended the dialog.
  int RunModal();
  // How the dialog ended when it was ended outside a modal loop (0 if not).
  int Result() const { return result_; }

  // LocationView
  void ShowValues(const LocationValues& values) override;
  void CollectValues(LocationValues& values) override;
  void EndDialog(int result) override;
  std::optional<std::string> BrowseForFolder(const std::string& title) override;

 private:
  void OnButton(wxCommandEvent& event);

  LocationDialog& behaviour_;
  int result_ = 0;
};

}  // namespace svx
