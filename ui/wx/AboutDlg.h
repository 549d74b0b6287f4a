// The About box: the icon, two lines of text and OK.
#pragma once

#include <wx/dialog.h>

namespace svx {

class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};

}  // namespace svx
