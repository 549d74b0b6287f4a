// POSIX code only: the services a Linux desktop offers, with the simulator
// living in a Wine prefix.
#include "platform/posix/SystemPlatform.h"

#include <map>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/IniProfileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessLauncher.h"
#include "platform/posix/X11WindowFinder.h"

namespace svx {

PrefixInUse ChoosePrefixInUse(const PrefixSearch& search, RegistryFolderTest simulatorFolder) {
  std::map<std::string, std::unique_ptr<WineRegistry>> asked;
  PrefixInUse chosen;
  chosen.prefix = ChooseWinePrefix(search, [&](const WinePrefix& candidate) {
    auto registry = std::make_unique<WineRegistry>(WineRegistryOptions{candidate.path});
    PosixFileSystem files(PosixFileSystem::Options{candidate.path, ""});
    const RegistryFolder folder = simulatorFolder(*registry, files);
    asked[candidate.path] = std::move(registry);
    return folder == RegistryFolder::kValid     ? PrefixFit::kFolderFound
           : folder == RegistryFolder::kInvalid ? PrefixFit::kValueOnly
                                                : PrefixFit::kNoValue;
  });
  auto it = asked.find(chosen.prefix.path);
  chosen.registry = it != asked.end()
                        ? std::move(it->second)
                        : std::make_unique<WineRegistry>(WineRegistryOptions{chosen.prefix.path});
  return chosen;
}

Platform& SystemPlatform(RegistryFolderTest simulatorFolder) {
  static PrefixInUse inUse = ChoosePrefixInUse(PrefixSearch::FromEnvironment(), simulatorFolder);
  static PosixFileSystem files(PosixFileSystem::Options{inUse.prefix.path, ""});
  static X11WindowFinder windows;
  static IniProfileReader profiles(files);
  static PosixProcessLauncher processes([] {
    PosixProcessLauncher::Options options;
    options.winePrefix = inUse.prefix.path;
    return options;
  }());
  static Platform platform{files, *inUse.registry, windows, profiles, processes};
  return platform;
}

}  // namespace svx
