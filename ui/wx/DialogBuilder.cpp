#include "ui/wx/DialogBuilder.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/fontenum.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <vector>

#include "res/Strings.h"
#include "ui/wx/Accessibility.h"
#include "ui/wx/WxImages.h"
#include "ui/wx/WxText.h"

namespace svx {
namespace {

// A control the Tab key passes over, as a Windows control without WS_TABSTOP.
template <class Base>
class NoTabStop : public Base {
 public:
  using Base::Base;
  bool AcceptsFocusFromKeyboard() const override { return false; }
};

// wx on GTK makes each static text and group box the label of the next
// control that takes the focus. In these templates that is often another
// control than the one the text names (the counters' labels come as a block,
// "FSX Location" comes before a button), so a screen reader would read the
// wrong name; the templates say which field a text names instead.
template <class Base>
class UnguessedLabel : public Base {
 public:
  using Base::Base;

 protected:
  bool GTKWidgetNeedsMnemonic() const override { return false; }
};

template <class Control, class... Args>
wxWindow* MakeControl(bool tabStop, Args&&... args) {
  if (tabStop) return new Control(std::forward<Args>(args)...);
  return new NoTabStop<Control>(std::forward<Args>(args)...);
}

wxWindow* CreateControl(wxDialog& dialog, const ControlTemplate& c) {
  const wxWindowID id = c.id == kStaticId ? wxID_ANY : c.id;
  const wxPoint pos = dialog.ConvertDialogToPixels(wxPoint(c.x, c.y));
  const wxSize size = dialog.ConvertDialogToPixels(wxSize(c.width, c.height));
  const bool tabStop = (c.flags & kCtlTabStop) != 0;
  const wxString text = ToWx(c.text);

  switch (c.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      wxWindow* w = MakeControl<wxButton>(tabStop, &dialog, id, text, pos, size);
      // Both default-styled buttons of a template ask for the default; as on
      // Windows, the first one that asks keeps it.
      if (c.kind == ControlKind::kDefPushButton && !dialog.GetDefaultItem()) {
        static_cast<wxButton*>(w)->SetDefault();
      }
      return w;
    }
    case ControlKind::kEdit: {
      long style = (c.flags & kCtlBorder) ? wxBORDER_DEFAULT : wxBORDER_NONE;
      if (c.flags & kCtlReadOnly) style |= wxTE_READONLY;
      if (c.flags & kCtlMultiLine) style |= wxTE_MULTILINE;
      return MakeControl<wxTextCtrl>(tabStop, &dialog, id, text, pos, size, style);
    }
    case ControlKind::kStaticText:
      return new UnguessedLabel<wxStaticText>(&dialog, id, text, pos, size, wxST_NO_AUTORESIZE);
    case ControlKind::kGroupBox:
      return new UnguessedLabel<wxStaticBox>(&dialog, id, text, pos, size);
    case ControlKind::kIcon:
      // An icon control takes the size of its icon, whatever the template says.
      return new wxStaticBitmap(&dialog, id, LoadResBitmap(c.image), pos);
    case ControlKind::kBitmapButton: {
      // A plain button without text: its image is set at run time, and there
      // is none until then.
      long style = wxBU_NOTEXT | ((c.flags & kCtlFlat) ? wxBORDER_NONE : 0);
      wxWindow* w = MakeControl<wxButton>(tabStop, &dialog, id, wxString(), pos, size, style);
      SetAccessibleName(*w, ToWx(StatusButtonName(dialog.GetId(), 0)));
      return w;
    }
  }
  return nullptr;
}

}  // namespace

wxFont TemplateFont(const DialogTemplate& dialog) {
  for (const wxString& face :
       {ToWx(dialog.fontName), wxString("Liberation Sans"), wxString("Sans")}) {
    if (wxFontEnumerator::IsValidFacename(face))
      return wxFont(wxFontInfo(dialog.pointSize).FaceName(face));
  }
  return wxFont(wxFontInfo(dialog.pointSize).Family(wxFONTFAMILY_SWISS));
}

long WxDialogStyle(unsigned style) {
  long s = 0;
  if (style & kDlgModal) s |= wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
  if (style & kDlgAppWindow) s |= wxDIALOG_NO_PARENT;
  return s;
}

bool CreateFromTemplate(wxDialog& dialog, wxWindow* parent, const DialogTemplate& t) {
  if (!dialog.Create(parent, t.id, ToWx(t.caption), wxDefaultPosition, wxDefaultSize,
                     WxDialogStyle(t.style))) {
    return false;
  }
  // Dialog units are quarters and eighths of this font's character cell, so it
  // has to be in place before the first conversion.
  dialog.SetFont(TemplateFont(t));
  dialog.SetClientSize(dialog.ConvertDialogToPixels(wxSize(t.width, t.height)));
  std::vector<wxWindow*> created;
  for (const ControlTemplate& c : t.controls) created.push_back(CreateControl(dialog, c));
  // After every control exists: a label may come after its field.
  for (size_t i = 0; i < created.size(); ++i) {
    wxWindow* field = t.controls[i].labelFor ? dialog.FindWindow(t.controls[i].labelFor) : nullptr;
    if (created[i] && field) LabelControl(*created[i], *field);
  }
  dialog.Centre();
  return true;
}

void FocusFirstTabStop(wxDialog& dialog) {
  for (wxWindow* child : dialog.GetChildren()) {
    if (child->IsEnabled() && child->IsShown() && child->AcceptsFocusFromKeyboard()) {
      child->SetFocus();
      return;
    }
  }
}

}  // namespace svx
