// The tool's own images as XPM data, toolkit-free: each toolkit turns them into
// its bitmaps and icons.
#pragma once

namespace svx {

using XpmData = const char* const*;

extern const XpmData kValidXpm;    // bitmap 130, green check mark, 42 x 38
extern const XpmData kInvalidXpm;  // bitmap 131, red X, 42 x 38
extern const XpmData kIcon32Xpm;   // icon 128, 32 x 32
extern const XpmData kIcon16Xpm;   // icon 128, 16 x 16

// The XPM of a bitmap id (130, 131), or of icon 128 at the nearest of its two
// sizes; nullptr for an id without an image.
XpmData FindXpm(int id, int size = 32);

}  // namespace svx
