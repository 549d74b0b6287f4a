// Win32 only: the names a screen reader reads for the controls of a dialog.
//
// The system's accessibility proxy names an edit field after the static text
// before it in window order, and a button after its window text. In these
// templates the window order is the tab order, which puts other controls
// between a label and its field, and the status button has no text: a
// BS_BITMAP button draws its text while it has no image (seen with Wine 8's
// comctl32), so it cannot carry one. A named control answers WM_GETOBJECT
// itself with the system's proxy for it, changed only in its name.
#pragma once

#include <windows.h>

#include <string>

#include "res/DialogTemplates.h"

namespace svx {

// The name the system's accessibility interface reports for the control from
// now on, in place of the one it would derive. Called again, it changes the
// name and tells the clients that it changed.
void SetAccessibleName(HWND control, const std::string& utf8Name);

// Names each field of the dialog, built from the template, by the label the
// template gives it, and each status button by its name while it shows no
// image.
void NameTemplateControls(HWND dialog, const DialogTemplate& t);

}  // namespace svx
