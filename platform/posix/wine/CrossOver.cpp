// POSIX code only. CrossOver's rules.
//
// CrossOver keeps its bottles, prefixes, in ~/.cxoffice/, and starts a program
// in one with its own Wine, installed in /opt/cxoffice or ~/cxoffice:
// "wine --bottle NAME program". (Checked against CodeWeavers' CrossOver Linux
// user guide; CrossOver's source is not public.)
#include <utility>

#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "res/Strings.h"

namespace svx {

void FindCrossOver(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = JoinPath(s.home, ".cxoffice");
  for (const std::string& name : SubFolders(folder)) {
    const std::string bottle = JoinPath(folder, name);
    if (LooksLikePrefix(bottle)) AddPrefix(out, bottle, PrefixManager::kCrossOver, {}, bottle);
  }
}

ManagerWine CrossOverWine(const WinePrefix& prefix, const PrefixSearch& s) {
  std::vector<std::string> wines;
  for (const std::string& install : s.crossOverFolders) {
    std::string wine = JoinPath(install, "bin/wine");
    if (IsProgram(wine)) {
      return {Command{std::move(wine), {"--bottle", BaseName(prefix.record)}, {}}, {}};
    }
    wines.push_back(std::move(wine));
  }
  if (wines.empty()) return {};
  return {std::nullopt, WineNotInstalledReason("CrossOver", prefix.path, wines)};
}

}  // namespace svx
