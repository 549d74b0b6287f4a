// POSIX code only. Lutris's rules.
//
// Lutris keeps a YAML file per game in games/ of its configuration folder
// (~/.config/lutris, or ~/.local/share/lutris once ~/.config/lutris is gone;
// Flatpak: ~/.var/app/net.lutris.Lutris/{config,data}/lutris): the prefix is
// game: prefix:, the Wine build wine: version:, a folder in its data folder's
// runners/wine/ ("custom" names wine: custom_wine_path: instead); a game
// without a version takes that of runners/wine.yml. Prefixes whose game files
// are gone are still in ~/Games, where Lutris puts them by default. (Checked
// against Lutris's settings.py and runners/wine.py.)
#include <utility>

#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/YamlSubset.h"

namespace svx {

void FindLutris(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string flatpak = JoinPath(s.home, ".var/app/net.lutris.Lutris");
  const std::pair<std::string, std::string> installs[] = {
      {JoinPath(s.configHome, "lutris"), JoinPath(s.dataHome, "lutris")},
      {JoinPath(s.dataHome, "lutris"), JoinPath(s.dataHome, "lutris")},
      {JoinPath(flatpak, "config/lutris"), JoinPath(flatpak, "data/lutris")},
      {JoinPath(flatpak, "data/lutris"), JoinPath(flatpak, "data/lutris")},
  };
  for (const auto& [config, data] : installs) {
    const std::optional<std::string> usual =
        YamlScalar(ReadRecord(JoinPath(config, "runners/wine.yml")), {"wine", "version"});
    const std::string games = JoinPath(config, "games");
    for (const std::string& file : Entries(games, ".yml")) {
      const std::string game = ReadRecord(JoinPath(games, file));
      const std::optional<std::string> prefix = YamlScalar(game, {"game", "prefix"});
      if (!prefix) continue;
      std::optional<std::string> version = YamlScalar(game, {"wine", "version"});
      if (!version) version = usual;
      std::string runner;
      if (version == "custom") {
        runner = ExpandHome(YamlScalar(game, {"wine", "custom_wine_path"}).value_or(""), s);
      } else if (version && PlainName(*version)) {
        runner = JoinPath(data, "runners/wine/" + *version);
      }
      AddPrefix(out, ExpandHome(*prefix, s), PrefixManager::kLutris, std::move(runner));
    }
  }
  const std::string games = JoinPath(s.home, "Games");
  for (const std::string& name : SubFolders(games)) {
    if (LooksLikePrefix(JoinPath(games, name))) {
      AddPrefix(out, JoinPath(games, name), PrefixManager::kLutris);
    }
  }
}

}  // namespace svx
