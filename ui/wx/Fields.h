// Moving text between a dialog's edit fields and the core's UTF-8 strings.
#pragma once

#include <string>

#include <wx/textctrl.h>
#include <wx/window.h>

#include "ui/wx/WxText.h"

namespace svx {

// ChangeValue, not SetValue: filling a field is no edit by the user.
inline void SetFieldText(wxWindow& dialog, int id, const std::string& text) {
  if (auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id))) edit->ChangeValue(ToWx(text));
}

inline std::string FieldText(wxWindow& dialog, int id) {
  auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id));
  return edit ? FromWx(edit->GetValue()) : std::string();
}

}  // namespace svx
