#include "ui/wx/LocationDlg.h"

#include <wx/dirdlg.h>
#include <wx/textctrl.h>

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "ui/wx/DialogBuilder.h"
#include "ui/wx/Fields.h"
#include "ui/wx/WxText.h"

namespace svx {

CLocationDlg::CLocationDlg(wxWindow* parent, LocationDialog& behaviour) : behaviour_(behaviour) {
  CreateFromTemplate(*this, parent, *FindDialogTemplate(IDD_LOCATION));
  SetEscapeId(IDCANCEL);
  Bind(wxEVT_BUTTON, &CLocationDlg::OnButton, this);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { behaviour_.OnCancel(); });
}

int CLocationDlg::RunModal() {
  behaviour_.Attach(*this);
  behaviour_.OnInitDialog();
  if (result_ != 0) return result_;
  CallAfter([this] { FocusFirstTabStop(*this); });
  return ShowModal();
}

void CLocationDlg::ShowValues(const LocationValues& v) {
  SetFieldText(*this, IDC_REGISTRY_PATH, v.registryFolder);
  SetFieldText(*this, IDC_NEW_PATH, v.newFolder);
}

void CLocationDlg::CollectValues(LocationValues& v) {
  v.registryFolder = FieldText(*this, IDC_REGISTRY_PATH);
  v.newFolder = FieldText(*this, IDC_NEW_PATH);
}

void CLocationDlg::EndDialog(int result) {
  if (IsModal()) {
    EndModal(result);
  } else {
    result_ = result;
    SetReturnCode(result);
  }
}

std::optional<std::string> CLocationDlg::BrowseForFolder(const std::string& title) {
  wxDirDialog chooser(this, ToWx(title), wxEmptyString, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  if (chooser.ShowModal() != wxID_OK) return std::nullopt;
  return FromWx(chooser.GetPath());
}

void CLocationDlg::OnButton(wxCommandEvent& event) {
  switch (event.GetId()) {
    case IDC_BROWSE:
      behaviour_.OnBrowse();
      break;
    case IDC_USE_REGISTRY:
      behaviour_.OnUseRegistry();
      break;
    case IDOK:
      behaviour_.OnOk();
      break;
    case IDCANCEL:
      behaviour_.OnCancel();
      break;
    default:
      event.Skip();
  }
}

}  // namespace svx
