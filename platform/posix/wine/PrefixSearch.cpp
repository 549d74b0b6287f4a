// POSIX code only.
#include "platform/posix/wine/PrefixSearch.h"

#include <sys/stat.h>

#include <map>
#include <optional>
#include <utility>

#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"

namespace svx {

PrefixSearch PrefixSearch::From(const Environment& environment) {
  PrefixSearch s;
  s.home = environment.Get("HOME");
  s.winePrefix = environment.Get("WINEPREFIX");
  s.wine = environment.Get("WINE");
  s.path = environment.Get("PATH");
  s.libraryPath = environment.Get("LD_LIBRARY_PATH");
  s.steamDir = environment.Get("STEAM_DIR");
  s.extraSteamTools = environment.Get("STEAM_EXTRA_COMPAT_TOOLS_PATHS");
  // Built, not assigned from "/", which GCC 12 at -O2 warns of falsely (-Wrestrict).
  s.systemRoot = std::string(1, '/');
  // XDG says a relative value is to be ignored.
  s.dataHome = environment.Get("XDG_DATA_HOME");
  if (s.dataHome.empty() || s.dataHome.front() != '/') {
    s.dataHome = s.home.empty() ? "" : JoinPath(s.home, ".local/share");
  }
  s.configHome = environment.Get("XDG_CONFIG_HOME");
  if (s.configHome.empty() || s.configHome.front() != '/') {
    s.configHome = s.home.empty() ? "" : JoinPath(s.home, ".config");
  }
  s.crossOverFolders.push_back("/opt/cxoffice");
  if (!s.home.empty()) s.crossOverFolders.push_back(JoinPath(s.home, "cxoffice"));
  s.packagedWines = {"/usr/lib/wine/wine64", "/usr/lib/wine/wine"};
  return s;
}

WinePrefix DefaultWinePrefix(const PrefixSearch& search) {
  if (!search.winePrefix.empty()) return {search.winePrefix, PrefixManager::kNone, {}, {}};
  if (!search.home.empty()) return {JoinPath(search.home, ".wine"), PrefixManager::kNone, {}, {}};
  return {};
}

std::vector<WinePrefix> FindWinePrefixes(const PrefixSearch& search) {
  std::vector<WinePrefix> found;
  if (!search.home.empty()) AddPrefix(found, JoinPath(search.home, ".wine"), PrefixManager::kNone);
  for (const ManagerRules& rules : Managers()) rules.find(search, found);

  // One folder reached twice (~/.wine linked to a manager's prefix, a library
  // listed twice) is one candidate, in the first place it was found, but with
  // the manager's record of its Wine: ~/.wine, found first, has none.
  std::vector<WinePrefix> unique;
  std::map<std::pair<dev_t, ino_t>, size_t> seen;
  for (WinePrefix& prefix : found) {
    struct stat st;
    if (::stat(prefix.path.c_str(), &st) != 0) continue;
    const auto [at, added] = seen.emplace(std::pair{st.st_dev, st.st_ino}, unique.size());
    if (added) {
      unique.push_back(std::move(prefix));
    } else if (WinePrefix& first = unique[at->second]; first.manager == PrefixManager::kNone) {
      first.manager = prefix.manager;
      first.root = std::move(prefix.root);
      first.record = std::move(prefix.record);
    }
  }
  return unique;
}

WinePrefix ChooseWinePrefix(const PrefixSearch& search,
                            const std::function<PrefixFit(const WinePrefix&)>& fit) {
  if (!search.winePrefix.empty()) return DefaultWinePrefix(search);
  std::optional<WinePrefix> withValue;
  for (WinePrefix& prefix : FindWinePrefixes(search)) {
    const PrefixFit f = fit(prefix);
    if (f == PrefixFit::kFolderFound) return std::move(prefix);
    if (f == PrefixFit::kValueOnly && !withValue) withValue = std::move(prefix);
  }
  return withValue ? std::move(*withValue) : DefaultWinePrefix(search);
}

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

WinePrefix IdentifyWinePrefix(const std::string& path, const PrefixSearch& search) {
  for (WinePrefix& prefix : FindWinePrefixes(search)) {
    if (SameFolder(prefix.path, path)) {
      prefix.path = path;
      return std::move(prefix);
    }
  }
  return {path, PrefixManager::kNone, {}, {}};
}

}  // namespace svx
