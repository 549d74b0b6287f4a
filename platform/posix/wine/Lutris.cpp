// POSIX code only. Lutris's rules.
//
// Lutris keeps a YAML file per game in games/ of its configuration folder,
// whose game: prefix: is the game's prefix, and runs it with the Wine its
// wine: version: names, or, where the game leaves it, the one of the runner
// level (runners/wine.yml). Sources: Lutris = lutris/lutris 4944e03,
// umu = Open-Wine-Components/umu-launcher e2b203a.
//
// rule                                          checked against
// folders: ~/.config/lutris, or                 Lutris lutris/settings.py (CONFIG_DIR, DATA_DIR,
//   ~/.local/share/lutris without it (the         RUNNER_DIR, RUNTIME_DIR), lutris/util/settings.py
//   Flatpak's under ~/.var/app/net.lutris.
//   Lutris); lutris.conf [lutris] runner_dir,
//   runtime_dir, umu_path
// a game's prefix: game: prefix:; the prefixes  Lutris lutris/runners/wine.py prefix_path;
//   in ~/Games, where Lutris puts them            lutris/util/wine/prefix.py
// the version: the game's, then the runner      Lutris lutris/runners/wine.py
//   level's; "ge-proton" at a level leaves it     read_version_from_config;
//   lutris/util/wine/wine.py to the next, and is the default               GE_PROTON_LATEST
// custom: custom_wine_path, the game's over     Lutris lutris/config.py update_cascaded_config
//   the runner level's
// names of fixed Wines (kNamedWines), then      Lutris lutris/util/wine/wine.py WINE_PATHS,
//   Protons by folder name (runners/wine, then    get_wine_path_for_version;
//   Steam's folders), else runners/wine/<v>       lutris/util/wine/proton.py get_proton_versions
// Protons and ge-proton run through umu-run:    Lutris lutris/runners/wine.py get_command,
//   PROTONPATH, GAMEID=umu-default,               lutris/util/wine/proton.py update_proton_env,
//   PROTON_VERB=waitforexitandrun, WINEARCH       lutris/runners/commands/wine.py wineexec
//   win64; umu-run where get_umu_path finds it    lutris/util/wine/proton.py get_umu_path
// a prefix umu ran records its Proton in its    umu umu/umu_run.py setup_pfx (the prefix is its
//   own config_info                               own compat folder)
#include <utility>

#include "platform/posix/IniProfileReader.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"
#include "platform/posix/wine/YamlSubset.h"
#include "res/Strings.h"

namespace svx {
namespace {

constexpr std::string_view kLatestGeProton = "ge-proton";

// The Wines Lutris knows by a name of their own, below the system's root.
constexpr std::pair<std::string_view, std::string_view> kNamedWines[] = {
    {"winehq-devel", "opt/wine-devel/bin/wine"},
    {"winehq-staging", "opt/wine-staging/bin/wine"},
    {"wine-development", "usr/lib/wine-development/wine"},
};

LutrisInstall InstallAt(std::string config, std::string data, const PrefixSearch& s) {
  const std::string conf = ReadRecord(JoinPath(config, "lutris.conf"));
  auto setting = [&](std::string_view key) {
    return ExpandHome(ReadProfileValue(conf, "lutris", key, "", 4096), s);
  };
  LutrisInstall install;
  const std::string runners = setting("runner_dir");
  install.wineDir = JoinPath(runners.empty() ? JoinPath(data, "runners") : runners, "wine");
  install.runtime = setting("runtime_dir");
  if (install.runtime.empty()) install.runtime = JoinPath(data, "runtime");
  install.umuPath = setting("umu_path");
  install.config = std::move(config);
  install.data = std::move(data);
  return install;
}

std::optional<std::string> UmuEntry(const std::string& folder, const PrefixSearch& s) {
  if (folder.empty()) return std::nullopt;
  for (const char* name : {"umu-run", "umu_run.py"}) {
    std::string path = JoinPath(folder, name);
    if (CanRun(path, s.path)) return path;
  }
  return std::nullopt;
}

ManagerWine ThroughUmu(const WinePrefix& prefix, const PrefixSearch& s,
                       const LutrisInstall& install, const std::string& proton) {
  const std::optional<std::string> umu = FindUmuRun(s, &install);
  if (!umu) return {std::nullopt, UmuMissingReason("Lutris", prefix.path, proton)};
  // Lutris's own prefixes are umu's compat folders themselves.
  Command command = UmuCommand(*umu, prefix.path, proton);
  for (auto& [name, value] : command.environment) {
    if (name == "WINEARCH") value = "win64";
  }
  return {std::move(command), {}};
}

ManagerWine Program(const WinePrefix& prefix, std::string program, const std::string& shown,
                    const std::optional<std::string>& arch) {
  if (!IsProgram(program)) {
    return {std::nullopt, WineNotInstalledReason("Lutris", prefix.path, std::vector{shown})};
  }
  Command command{std::move(program), {}, {}};
  if (arch && !arch->empty()) command.environment.emplace_back("WINEARCH", *arch);
  return {std::move(command), {}};
}

// The Proton folder a Wine program lies in (<proton>/files/bin/wine).
std::optional<std::string> ProtonHolding(const std::string& program) {
  std::string folder = program;
  for (int up = 0; up < 3 && folder != "/"; ++up) {
    folder = ParentFolder(folder);
    if (IsProton(folder)) return folder;
  }
  return std::nullopt;
}

// A Proton Lutris finds by its folder's name.
std::optional<std::string> ProtonNamed(const std::string& version, const LutrisInstall& install,
                                       const PrefixSearch& s) {
  if (!PlainName(version)) return std::nullopt;
  if (std::string own = JoinPath(install.wineDir, version); IsProton(own)) return own;
  const std::vector<std::string> folders = SteamToolFolders(s);
  for (const char* below : {"common", ""}) {
    for (const std::string& folder : folders) {
      std::string proton = JoinPath(*below ? JoinPath(folder, below) : folder, version);
      if (IsProton(proton)) return proton;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<LutrisInstall> LutrisInstalls(const PrefixSearch& s) {
  if (s.home.empty()) return {};
  const std::string flatpak = JoinPath(s.home, ".var/app/net.lutris.Lutris");
  std::vector<LutrisInstall> installs;
  for (auto [config, data] :
       {std::pair{JoinPath(s.configHome, "lutris"), JoinPath(s.dataHome, "lutris")},
        std::pair{JoinPath(s.dataHome, "lutris"), JoinPath(s.dataHome, "lutris")},
        std::pair{JoinPath(flatpak, "config/lutris"), JoinPath(flatpak, "data/lutris")},
        std::pair{JoinPath(flatpak, "data/lutris"), JoinPath(flatpak, "data/lutris")}}) {
    if (IsFolder(config)) installs.push_back(InstallAt(std::move(config), std::move(data), s));
  }
  return installs;
}

std::optional<std::string> FindUmuRun(const PrefixSearch& s, const LutrisInstall* lutris) {
  if (lutris) {
    if (auto umu = UmuEntry(lutris->umuPath, s)) return umu;
  }
  if (auto umu = FindOnSearchPath("umu-run", s.path); umu && CanRun(*umu, s.path)) return umu;
  if (!s.systemRoot.empty()) {
    for (const char* folder : {"usr/local/share/umu", "usr/share/umu", "opt/umu"}) {
      if (auto umu = UmuEntry(JoinPath(s.systemRoot, folder), s)) return umu;
    }
  }
  const std::vector<LutrisInstall> installs =
      lutris ? std::vector<LutrisInstall>{*lutris} : LutrisInstalls(s);
  for (const LutrisInstall& install : installs) {
    if (!lutris) {
      if (auto umu = UmuEntry(install.umuPath, s)) return umu;
    }
    if (auto umu = UmuEntry(JoinPath(install.runtime, "umu"), s)) return umu;
  }
  return std::nullopt;
}

void FindLutris(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  for (const LutrisInstall& install : LutrisInstalls(s)) {
    const std::string games = JoinPath(install.config, "games");
    for (const std::string& file : Entries(games, ".yml")) {
      std::string record = JoinPath(games, file);
      const std::optional<std::string> prefix = YamlScalar(ReadRecord(record), {"game", "prefix"});
      if (!prefix) continue;
      AddPrefix(out, ExpandHome(*prefix, s), PrefixManager::kLutris, install.data,
                std::move(record));
    }
  }
  const std::string games = JoinPath(s.home, "Games");
  for (const std::string& name : SubFolders(games)) {
    if (LooksLikePrefix(JoinPath(games, name))) {
      AddPrefix(out, JoinPath(games, name), PrefixManager::kLutris);
    }
  }
}

ManagerWine LutrisWine(const WinePrefix& prefix, const PrefixSearch& s) {
  // A prefix in ~/Games without a game file: what runs it is not known.
  if (prefix.record.empty()) return {};
  const LutrisInstall install =
      InstallAt(ParentFolder(ParentFolder(prefix.record)), prefix.root, s);
  const std::string game = ReadRecord(prefix.record);
  const std::string runner = ReadRecord(JoinPath(install.config, "runners/wine.yml"));
  std::string version(kLatestGeProton), custom;
  for (const std::string* level : {&game, &runner}) {
    const std::optional<std::string> v = YamlScalar(*level, {"wine", "version"});
    if (v && !v->empty() && *v != kLatestGeProton) {
      version = *v;
      break;
    }
  }
  for (const std::string* level : {&game, &runner}) {
    const std::optional<std::string> path = YamlScalar(*level, {"wine", "custom_wine_path"});
    if (path && !path->empty()) {
      custom = ExpandHome(*path, s);
      break;
    }
  }
  const std::optional<std::string> arch = YamlScalar(game, {"game", "arch"});

  if (version == kLatestGeProton) {
    // Lutris asks umu for the newest GE-Proton, which umu downloads and moves
    // the prefix to; the one that last ran the prefix (umu's record in it)
    // keeps the patch on the simulator's own Wine while it is installed.
    std::string proton = "GE-Proton";
    if (std::optional<std::string> recorded = RecordedProton(prefix.path);
        recorded && BaseName(*recorded).starts_with("GE-Proton") && IsProton(*recorded)) {
      proton = std::move(*recorded);
    }
    return ThroughUmu(prefix, s, install, proton);
  }
  if (version == "system") return {};
  for (const auto& [name, path] : kNamedWines) {
    if (version == name) {
      if (s.systemRoot.empty()) return {};
      const std::string program = JoinPath(s.systemRoot, path);
      return Program(prefix, program, program, arch);
    }
  }
  if (constexpr std::string_view kSystem = "System "; version.starts_with(kSystem)) {
    const std::string folder = version.substr(kSystem.size());
    if (s.systemRoot.empty() || !folder.starts_with("wine-") || !PlainName(folder)) return {};
    const std::string program = JoinPath(s.systemRoot, "usr/lib/" + folder + "/bin/wine");
    return Program(prefix, program, program, arch);
  }
  if (version == "custom") {
    if (custom.empty()) return {};
    if (std::optional<std::string> proton = ProtonHolding(custom)) {
      return ThroughUmu(prefix, s, install, *proton);
    }
    return Program(prefix, custom, custom, arch);
  }
  if (std::optional<std::string> proton = ProtonNamed(version, install, s)) {
    return ThroughUmu(prefix, s, install, *proton);
  }
  if (!PlainName(version)) return {};
  const std::string build = JoinPath(install.wineDir, version);
  return Program(prefix, JoinPath(build, "bin/wine"), build, arch);
}

}  // namespace svx
