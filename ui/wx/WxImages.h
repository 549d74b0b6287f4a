// The tool's bitmaps and icon as wx objects.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

namespace svx {

wxBitmap LoadResBitmap(int id);
// Both sizes of an icon, for the window's big and small icon.
wxIconBundle LoadResIcons(int id);

}  // namespace svx
