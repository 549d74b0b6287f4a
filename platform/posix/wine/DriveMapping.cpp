// POSIX code only.
#include "platform/posix/wine/DriveMapping.h"

#include <algorithm>
#include <utility>

#include "platform/WindowsPath.h"
#include "platform/posix/DriveLink.h"
#include "platform/posix/ListingCache.h"
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
  // The folder as a Linux path: typed as one, or reached through a drive of
  // the prefix in use.
  std::optional<std::string> path;
  if (!simFolder.empty() && simFolder.front() == '/') {
    path = simFolder;
    std::replace(path->begin(), path->end(), '\\', '/');
  } else if (const std::optional<WindowsPath> parsed = ParseWindowsPath(simFolder);
             parsed && parsed->start == WindowsPath::Start::kDrive) {
    // Each name matched as the file layer matches it, so that the folder the
    // pass prepared is the one whose prefix the patch starts in.
    if (std::optional<std::string> dir = DriveRoot(prefixInUse, parsed->drive)) {
      for (const std::string& part : parsed->parts) {
        *dir = JoinPath(*dir, StoredNameOnDisk(*dir, part, Prefer::kFolder).value_or(part));
      }
      path = std::move(dir);
    }
  }
  const std::optional<std::string> holder = path ? PrefixHolding(*path) : std::nullopt;
  if (!holder || SameFolder(*holder, prefixInUse)) return prefixInUse;
  return *holder;
}

}  // namespace svx
