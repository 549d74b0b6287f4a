// POSIX code only.
#include "platform/posix/wine/DriveMapping.h"

#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixPath.h"

namespace svx {

std::optional<std::string> PrefixHolding(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  for (std::string folder = path;; folder = ParentFolder(folder)) {
    if (IsFolder(JoinPath(folder, "drive_c")) && IsRegularFile(JoinPath(folder, "system.reg"))) {
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      return folder;
    }
    if (folder == "/") return std::nullopt;
  }
}

std::string PrefixForFolder(const std::string& simFolder, const std::string& prefixInUse) {
  // The folder the pass prepared, found as the file layer found it.
  const std::optional<std::string> path =
      simFolder.empty()
          ? std::nullopt
          : PosixFileSystem(PosixFileSystem::Options{prefixInUse, ""}).HostPath(simFolder);
  const std::optional<std::string> holder = path ? PrefixHolding(*path) : std::nullopt;
  if (!holder || SameFolder(*holder, prefixInUse)) return prefixInUse;
  return *holder;
}

}  // namespace svx
