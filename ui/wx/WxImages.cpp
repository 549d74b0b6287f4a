#include "ui/wx/WxImages.h"

#include <wx/icon.h>

#include "res/Images.h"

namespace svx {

wxBitmap LoadResBitmap(int id) {
  XpmData xpm = FindXpm(id);
  return xpm ? wxBitmap(xpm) : wxBitmap();
}

wxIconBundle LoadResIcons(int id) {
  wxIconBundle icons;
  for (int size : {32, 16}) {
    if (XpmData xpm = FindXpm(id, size)) icons.AddIcon(wxIcon(xpm));
  }
  return icons;
}

}  // namespace svx
