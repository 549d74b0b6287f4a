// Win32 only: the tool's resource numbers beside <windows.h>, which defines
// IDOK and IDCANCEL as macros of the same values; the enum of the shared
// header must see the names, not the numbers.
#pragma once

#include <windows.h>

#undef IDOK
#undef IDCANCEL

#include "res/ResourceIds.h"
