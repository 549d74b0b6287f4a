// POSIX code only: the services a Linux desktop offers, with the simulator
// living in a Wine prefix. Where the services are put together, and so the one
// file of platform/posix/ that uses the Wine subsystem in wine/: the prefix it
// chooses roots the file layer and the registry, and it runs Windows programs
// for the launcher.
#include <string>

#include "platform/Platform.h"
#include "platform/posix/Environment.h"
#include "platform/posix/IniProfileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessLauncher.h"
#include "platform/posix/X11WindowFinder.h"
#include "platform/posix/wine/PrefixSearch.h"
#include "platform/posix/wine/WinePrograms.h"

namespace svx {

Platform& SystemPlatform(RegistryFolderTest simulatorFolder) {
  // The one reading of the environment: every piece below takes its values
  // from here.
  static const Environment environment = Environment::OfThisProcess();
  static const PrefixSearch search = PrefixSearch::From(environment);
  static PrefixInUse inUse = ChoosePrefixInUse(search, simulatorFolder);
  static PosixFileSystem files(PosixFileSystem::Options{inUse.prefix.path, ""});
  static X11WindowFinder windows;
  static IniProfileReader profiles(files);
  static const WinePrograms wine(search, inUse.prefix.path);
  static PosixProcessLauncher processes([] {
    PosixProcessLauncher::Options options;
    options.searchPath = environment.Get("PATH");
    options.windowsPrograms = &wine;
    return options;
  }());
  static Platform platform{files, *inUse.registry, windows, profiles, processes};
  return platform;
}

}  // namespace svx
