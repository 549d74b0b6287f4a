// The wx window of one of the behaviour classes of ui/ (View is MainView or
// LocationView): what both do alike. Their message boxes are owned by the
// dialog, and the status button shows the green check mark or the red X.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dialog.h>

#include "prep/Preparation.h"
#include "res/ResourceIds.h"
#include "ui/wx/WxImages.h"
#include "ui/wx/WxMessageBox.h"

namespace svx {

template <class View>
class WxView : public wxDialog, public View {
 public:
  void SetStatusImage(StatusImage image) override {
    auto* status = dynamic_cast<wxButton*>(FindWindow(IDC_STATUS));
    if (!status || image == StatusImage::kNone) return;
    status->SetBitmap(image == StatusImage::kValid ? valid_ : invalid_);
  }
  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    return ShowWxMessage(this, text, caption, style);
  }

 private:
  wxBitmap valid_ = LoadResBitmap(IDB_VALID);
  wxBitmap invalid_ = LoadResBitmap(IDB_INVALID);
};

}  // namespace svx
