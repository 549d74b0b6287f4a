// Builds a wx dialog from one of the tool's dialog templates, the way the
// Windows dialog manager builds one from a resource: the template's font, dialog
// units converted with that font, absolute positions, template order as tab order.
#pragma once

#include <wx/dialog.h>
#include <wx/font.h>

#include "res/DialogTemplates.h"

namespace svx {

// The template's font if the system has it, else a plain 8-point sans-serif
// face (Liberation Sans first: its metrics match the usual Windows faces, so
// the dialogs come out at about their Windows size).
wxFont TemplateFont(const DialogTemplate& dialog);

long WxDialogStyle(unsigned style);

// Creates dialog (default-constructed, not yet created) as a window from the
// template, with every control under its template id. False if the window
// could not be created.
bool CreateFromTemplate(wxDialog& dialog, wxWindow* parent, const DialogTemplate& t);

// Gives the focus to the first enabled tab stop in template order, where the
// Windows dialog manager puts it; wx on its own prefers the first text field.
void FocusFirstTabStop(wxDialog& dialog);

}  // namespace svx
