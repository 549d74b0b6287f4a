// The wx window of one of the behaviour classes of ui/ (View is MainView or
// LocationView): what both do alike. Their message boxes are owned by the
// dialog, and the status button shows the green check mark or the red X,
// with a name that says the same to a screen reader.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/dialog.h>

#include "prep/Preparation.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "ui/wx/Accessibility.h"
#include "ui/wx/WxImages.h"
#include "ui/wx/WxMessageBox.h"
#include "ui/wx/WxText.h"

namespace svx {

template <class View>
class WxView : public wxDialog, public View {
 public:
  void SetStatusImage(StatusImage image) override {
    auto* status = dynamic_cast<wxButton*>(FindWindow(IDC_STATUS));
    if (!status || image == StatusImage::kNone) return;
    const int bitmap = image == StatusImage::kValid ? IDB_VALID : IDB_INVALID;
    status->SetBitmap(bitmap == IDB_VALID ? valid_ : invalid_);
    SetAccessibleName(*status, ToWx(StatusButtonName(GetId(), bitmap)));
  }
  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    return ShowWxMessage(this, text, caption, style);
  }

 private:
  wxBitmap valid_ = LoadResBitmap(IDB_VALID);
  wxBitmap invalid_ = LoadResBitmap(IDB_INVALID);
};

}  // namespace svx
