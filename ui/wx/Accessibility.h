// What a screen reader reads of the controls the templates build, on GTK's
// accessibility interface (wx has no accessibility support of its own there).
#pragma once

#include <wx/string.h>
#include <wx/window.h>

namespace svx {

// Makes a static text the label of the control it names: the text's
// label-for and the control's labelled-by relations, and the text as the
// control's name, as a Windows screen reader names a field by its label.
void LabelControl(wxWindow& label, wxWindow& control);

// The name a screen reader reads for a control in place of its own text, for
// a button that shows only an image.
void SetAccessibleName(wxWindow& control, const wxString& name);

}  // namespace svx
