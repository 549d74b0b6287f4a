// POSIX code only: the services a Linux desktop offers, with the simulator
// living in a Wine prefix.
#include "platform/Platform.h"
#include "platform/posix/IniProfileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessLauncher.h"
#include "platform/posix/WineRegistry.h"
#include "platform/posix/X11WindowFinder.h"

namespace svx {

Platform& SystemPlatform() {
  static PosixFileSystem files;
  static WineRegistry registry;
  static X11WindowFinder windows;
  static IniProfileReader profiles(files);
  static PosixProcessLauncher processes;
  static Platform platform{files, registry, windows, profiles, processes};
  return platform;
}

}  // namespace svx
