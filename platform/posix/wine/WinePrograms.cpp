// POSIX code only.
#include "platform/posix/wine/WinePrograms.h"

#include "platform/posix/wine/DriveMapping.h"
#include "platform/posix/wine/WineCommand.h"
#include "res/Strings.h"

namespace svx {

std::string WinePrograms::PrefixFor(const std::string& simFolder) const {
  return PrefixForFolder(simFolder, prefixInUse_);
}

std::vector<std::string> WinePrograms::SystemFolders(const std::string& prefix) const {
  if (prefix.empty()) return {};
  return {prefix + "/drive_c/windows/system32", prefix + "/drive_c/windows"};
}

WindowsPrograms::Start WinePrograms::CommandFor(const std::string& path,
                                                const std::string& commandLine,
                                                const std::string& prefix) const {
  ManagerWine wine = WineCommandFor(IdentifyWinePrefix(prefix, search_), search_, path);
  if (wine.command) return {std::move(wine.command), {}};
  if (!wine.gone.empty()) return {std::nullopt, ManagersWineGoneText(commandLine, wine.gone)};
  // Said instead of "No such file or directory", which would read as if the
  // patch itself were missing.
  return {std::nullopt, search_.wine.empty() ? WineMissingText(commandLine)
                                             : WineNotRunnableText(commandLine, search_.wine)};
}

}  // namespace svx
