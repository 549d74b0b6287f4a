#include "ui/wx/WxMessageBox.h"

#include <wx/msgdlg.h>

#include "platform/MessageBox.h"
#include "ui/wx/WxText.h"

namespace svx {

long WxMessageStyle(int style) {
  switch (style) {
    case kStyleStop:
      return wxOK | wxICON_ERROR;
    case kStyleExclamation:
      return wxOK | wxICON_EXCLAMATION;
    case kStyleYesNo:
      // Without wxICON_NONE wx adds a question icon to a Yes/No box.
      return wxYES_NO | wxICON_NONE;
    default:
      return wxOK | wxICON_NONE;
  }
}

int MessageAnswerFromWx(int style, int wxAnswer) {
  if (style == kStyleYesNo) return wxAnswer == wxID_YES ? kAnswerYes : kAnswerNo;
  return kAnswerOk;
}

int ShowWxMessage(wxWindow* owner, const std::string& text, const std::string& caption, int style) {
  wxMessageDialog box(owner, ToWx(text), ToWx(caption), WxMessageStyle(style));
  return MessageAnswerFromWx(style, box.ShowModal());
}

}  // namespace svx
