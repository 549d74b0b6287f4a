// Win32 only.
#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace svx {

bool Win32WindowFinder::TopLevelWindowExists(const std::string& title) {
  // Any class; the system compares the whole title without regard to case.
  return ::FindWindowA(nullptr, title.c_str()) != nullptr;
}

}  // namespace svx
