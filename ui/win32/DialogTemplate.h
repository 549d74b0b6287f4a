// Win32 only: the tool's dialog templates as the in-memory DLGTEMPLATEEX the
// dialog manager takes, so the Windows dialogs are built from the same data as
// every other toolkit's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "res/DialogTemplates.h"

namespace svx {

// The words of a DLGTEMPLATEEX with its items; the vector's storage is aligned
// as DialogBoxIndirectParamA needs.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog);

// The window styles one template control gets, and its class ordinal.
DWORD ControlStyle(const ControlTemplate& control);
WORD ControlClass(const ControlTemplate& control);

// A text of the templates or the string table, which are UTF-8 whatever the
// code page of the program, as the system's wide calls take it.
std::wstring WideFromUtf8(const char* utf8);

// Runs the dialog of that id modally; DialogBoxIndirectParamA's result.
INT_PTR RunDialogTemplate(int templateId, HWND owner, DLGPROC proc, LPARAM param);

}  // namespace svx
