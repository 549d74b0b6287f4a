#include "ui/wx/AboutDlg.h"

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "ui/wx/DialogBuilder.h"

namespace svx {

CAboutDlg::CAboutDlg(wxWindow* parent) {
  CreateFromTemplate(*this, parent, *FindDialogTemplate(IDD_ABOUT));
  // OK, Escape and the close box all just close it.
  SetEscapeId(IDOK);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
    if (event.GetId() == IDOK) {
      EndModal(IDOK);
    } else {
      event.Skip();
    }
  });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(IDCANCEL); });
}

}  // namespace svx
