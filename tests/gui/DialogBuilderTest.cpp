// Every template built as a real window: ids, tab order, nothing clipped or
// overlapping, and the message-box styles.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "platform/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "ui/wx/DialogBuilder.h"
#include "ui/wx/WxMessageBox.h"

namespace svx {
namespace {

class BuiltDialog : public ::testing::TestWithParam<int> {};

TEST_P(BuiltDialog, FollowsItsTemplate) {
  const DialogTemplate& t = *FindDialogTemplate(GetParam());
  wxDialog dialog;
  ASSERT_TRUE(CreateFromTemplate(dialog, nullptr, t));
  EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(t.width, t.height)));

  const wxWindowList& children = dialog.GetChildren();
  ASSERT_EQ(children.size(), t.controls.size());
  size_t i = 0;
  for (wxWindow* child : children) {
    const ControlTemplate& c = t.controls[i++];
    SCOPED_TRACE(testing::Message() << "control " << i << " \"" << c.text << "\"");
    // Children are kept in creation order, which is the tab order.
    if (c.id != kStaticId) {
      EXPECT_EQ(child->GetId(), c.id);
    }
    if (c.kind != ControlKind::kStaticText && c.kind != ControlKind::kGroupBox &&
        c.kind != ControlKind::kIcon) {
      EXPECT_EQ(child->AcceptsFocusFromKeyboard(), (c.flags & kCtlTabStop) != 0);
    }
    if (c.kind == ControlKind::kStaticText) {
      const wxSize best = child->GetBestSize();
      EXPECT_LE(best.x, child->GetSize().x) << "label clipped";
      EXPECT_LE(best.y, child->GetSize().y + 2) << "label clipped vertically";
    }
    if (c.kind == ControlKind::kGroupBox) {
      EXPECT_LE(child->GetTextExtent(child->GetLabel()).x + 8, child->GetSize().x)
          << "label clipped";
    }
    // Nothing overlaps except what sits inside the group box.
    size_t j = 0;
    for (wxWindow* other : children) {
      const ControlTemplate& o = t.controls[j++];
      if (j <= i || c.kind == ControlKind::kGroupBox || o.kind == ControlKind::kGroupBox) continue;
      EXPECT_FALSE(child->GetRect().Intersects(other->GetRect()))
          << "overlaps control " << j << " \"" << o.text << "\"";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Templates, BuiltDialog,
                         ::testing::Values(IDD_ABOUT, IDD_MAIN, IDD_LOCATION));

TEST(WxMessageBox, StylesAndAnswersMapToTheWindowsValues) {
  struct Case {
    int style;
    long wxStyle;
    int wxAnswer;
    int answer;
  };
  const Case cases[] = {
      {kStyleStop, wxOK | wxICON_ERROR, wxID_OK, kAnswerOk},
      {kStyleExclamation, wxOK | wxICON_EXCLAMATION, wxID_OK, kAnswerOk},
      {kStyleExclamation, wxOK | wxICON_EXCLAMATION, wxID_CANCEL, kAnswerOk},
      {kStyleYesNo, wxYES_NO | wxICON_NONE, wxID_YES, kAnswerYes},
      {kStyleYesNo, wxYES_NO | wxICON_NONE, wxID_NO, kAnswerNo},
      {kStyleYesNo, wxYES_NO | wxICON_NONE, wxID_CANCEL, kAnswerNo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WxMessageStyle(c.style), c.wxStyle) << c.style;
    EXPECT_EQ(MessageAnswerFromWx(c.style, c.wxAnswer), c.answer) << c.style << " " << c.wxAnswer;
  }
}

}  // namespace
}  // namespace svx
