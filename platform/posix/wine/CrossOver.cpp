// POSIX code only. CrossOver's rules.
//
// CrossOver keeps its bottles, prefixes, in ~/.cxoffice/, and starts a program
// in one with its own Wine, installed in /opt/cxoffice or ~/cxoffice:
// "wine --bottle NAME program". (Checked against CodeWeavers' CrossOver Linux
// user guide.)
#include <utility>

#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"

namespace svx {

void FindCrossOver(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = JoinPath(s.home, ".cxoffice");
  for (const std::string& name : SubFolders(folder)) {
    if (LooksLikePrefix(JoinPath(folder, name))) {
      AddPrefix(out, JoinPath(folder, name), PrefixManager::kCrossOver);
    }
  }
}

std::optional<Command> CrossOverWine(const WinePrefix& prefix, const PrefixSearch& s) {
  for (const std::string& install : s.crossOverFolders) {
    std::string wine = JoinPath(install, "bin/wine");
    if (IsProgram(wine)) return Command{std::move(wine), {"--bottle", BaseName(prefix.path)}, {}};
  }
  return std::nullopt;
}

}  // namespace svx
