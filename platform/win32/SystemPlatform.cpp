// Win32 only.
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"

namespace svx {

// One registry: nothing to choose, so the simulator folder test is not needed.
Platform& SystemPlatform(RegistryFolderTest) {
  static Win32FileSystem files;
  static Win32Registry registry;
  static Win32WindowFinder windows;
  static Win32ProfileReader profiles;
  static Win32ProcessLauncher processes;
  static Platform platform{files, registry, windows, profiles, processes};
  return platform;
}

}  // namespace svx
