// POSIX code only. Steam's rules.
//
// Steam keeps one prefix per game, compatdata/<app id>/pfx, in the steamapps
// folder of each of its libraries: its own folder and those its
// libraryfolders.vdf lists. The Proton build that last ran a prefix wrote
// config_info beside pfx/; Steam's choice for the next run is in its
// config.vdf. Sources: protontricks = Matoking/protontricks 28cfc0c,
// Proton = ValveSoftware/Proton proton_9.0 1a73b04 (and the older branches),
// GE-Proton = GloriousEggroll/proton-ge-custom 8441795, umu =
// Open-Wine-Components/umu-launcher e2b203a, Lutris = lutris/lutris 4944e03.
//
// rule                                          checked against
// Steam's folders: STEAM_DIR when it holds      protontricks src/protontricks/steam.py
//   steamapps and ubuntu12_32 (first here,        find_steam_installations, COMMON_STEAM_DIRS,
//   not alone: a stale one must not hide the      SNAP_STEAM_DIRS; Steam's launcher bin_steam.sh
//   simulator); $XDG_DATA_HOME/Steam, where       setup_variables (STEAMSCRIPT_VERSION 1.0.0.82);
//   the launcher installs, and                    Lutris lutris/util/steam/config.py
//   ~/.local/share/Steam, where the peers look;   STEAM_DATA_DIRS
//   ~/.steam/{steam,root,debian-installation};
//   ~/Steam; the Flatpak's and the Snap's
// libraries: steamapps/ and config/             protontricks get_steam_lib_paths; Lutris
//   libraryfolders.vdf, "path" of numbered        get_steamapps_dirs
//   blocks or (before 2021) numbered values,
//   keys in any letter case
// steamapps in any letter case, "steamapps"     protontricks _get_steamapps_subdirs,
//   first, compatdata in each; a library whose    find_appid_proton_prefix,
//   folder's case changed                         resolve_library_folder
// Flatpak: its files hold the sandbox's paths,  flathub/com.valvesoftware.Steam 9c3c25b
//   whose home is ~/.var/app/com.valvesoftware.   com.valvesoftware.Steam.yml (--persist=.);
//   Steam; the Snap's are the host's              canonical/steam-snap af5e671 snapcraft.yaml
// a prefix's Proton: config_info line 2, else   Proton `proton` CompatData.setup_prefix;
//   config.vdf CompatToolMapping/<id>, then       protontricks find_steam_compat_tool_app
//   /0, then the older ToolMapping
// a tool's folder: compatibilitytool.vdf's      protontricks get_compat_tool_dirs,
//   internal name, later tool folders winning;    get_custom_compat_tool_installations_in_dir
//   Valve's by app id (kValveTools) and           (the app ids agree across public launchers'
//   appmanifest_<id>.acf installdir               tables; Steam's appinfo.vdf is not read)
// a prefix newer than the Proton: the script    Proton `proton` CompatData.upgrade_pfx
//   first deletes the files it tracked
// start: umu-run with PROTONPATH and the        umu umu/umu_run.py set_env, setup_pfx
//   compatdata folder as WINEPREFIX; else
//   `proton waitforexitandrun` with             Proton `proton` __main__, Session.__init__
//   STEAM_COMPAT_DATA_PATH and
//   STEAM_COMPAT_CLIENT_INSTALL_PATH; else the
//   Proton's Wine with the paths its script     Proton `proton` Proton.__init__, init_wine;
//   sets (lib64/ up to 9.0, lib/<triplet>/       GE-Proton `proton` (the layout without lib64);
//   after)                                        protontricks util.py run_command
#include <algorithm>
#include <array>
#include <utility>

#include "platform/Text.h"
#include "platform/Wildcard.h"
#include "platform/posix/ListingCache.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/KeyValues.h"
#include "platform/posix/wine/Managers.h"
#include "res/Strings.h"

namespace svx {
namespace {

constexpr std::string_view kFlatpakSteam = ".var/app/com.valvesoftware.Steam";

// Valve's own Protons by their tool names, and the app ids Steam installs
// them under (steamapps/appmanifest_<id>.acf). Steam keeps this mapping in
// its binary appinfo.vdf; the table follows public launchers' tables and
// needs a row for each new Proton.
constexpr std::pair<std::string_view, std::string_view> kValveTools[] = {
    {"proton_experimental", "1493710"},
    {"proton_hotfix", "2180100"},
    {"proton_11", "4628710"},
    {"proton_10", "3658110"},
    {"proton_9", "2805730"},
    {"proton_8", "2348590"},
    {"proton_7", "1887720"},
    {"proton_63", "1580130"},
    {"proton_513", "1420170"},
    {"proton_5", "1245040"},
    {"proton_411", "1113280"},
    {"proton_42", "1054830"},
    {"proton_316", "961940"},
    {"proton_37", "858280"},
};

struct SteamRoot {
  std::string path;
  // For the Flatpak's Steam: the host folder its sandbox sees as the home.
  std::string sandboxHome;
};

bool Under(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() &&
         path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

SteamRoot RootAt(const std::string& path, const PrefixSearch& s) {
  const std::string flatpak = s.home.empty() ? std::string() : JoinPath(s.home, kFlatpakSteam);
  return {path, Under(path, flatpak) || path == flatpak ? flatpak : std::string()};
}

// A path Steam or its Proton wrote, as this system sees it. The Flatpak's
// home is a folder of the real one; a path it wrote elsewhere under the home
// is only real there when the user gave the sandbox the whole home, so the
// mapped path goes first.
std::string OutsideSandbox(const std::string& written, const SteamRoot& root,
                           const PrefixSearch& s) {
  if (root.sandboxHome.empty() || Under(written, root.sandboxHome) || !Under(written, s.home)) {
    return written;
  }
  std::string mapped = root.sandboxHome + written.substr(s.home.size());
  return IsFolder(mapped) || IsRegularFile(mapped) ? mapped : written;
}

// The steamapps folders of a library in every letter case it is stored in;
// "steamapps" itself first, as it sorts last.
std::vector<std::string> SteamAppsIn(const std::string& library) {
  std::vector<std::string> found;
  for (const std::string& name : Entries(library)) {
    if (EqualsNoCase(name, "steamapps") && IsFolder(JoinPath(library, name))) {
      found.push_back(JoinPath(library, name));
    }
  }
  std::sort(found.rbegin(), found.rend());
  return found;
}

std::optional<std::string> Inside(const std::string& folder, std::string_view name, Prefer kind) {
  const std::optional<std::string> stored = StoredNameOnDisk(folder, name, kind);
  if (!stored) return std::nullopt;
  return JoinPath(folder, *stored);
}

std::vector<SteamRoot> FindRoots(const PrefixSearch& s) {
  std::vector<std::string> candidates;
  const std::string& named = s.steamDir;
  if (!named.empty() && named.front() == '/' && !SteamAppsIn(named).empty() &&
      IsFolder(JoinPath(named, "ubuntu12_32"))) {
    candidates.push_back(named);
  }
  if (!s.home.empty()) {
    const std::string flatpak = JoinPath(s.home, kFlatpakSteam);
    for (std::string root :
         {JoinPath(s.dataHome, "Steam"), JoinPath(s.home, ".local/share/Steam"),
          JoinPath(s.home, ".steam/steam"), JoinPath(s.home, ".steam/root"),
          JoinPath(s.home, ".steam/debian-installation"), JoinPath(s.home, "Steam"),
          JoinPath(flatpak, ".local/share/Steam"), JoinPath(flatpak, "data/Steam"),
          JoinPath(s.home, "snap/steam/common/.local/share/Steam"),
          JoinPath(s.home, ".snap/data/steam/common/.local/share/Steam")}) {
      candidates.push_back(std::move(root));
    }
  }
  std::vector<SteamRoot> roots;
  for (const std::string& path : candidates) {
    if (!IsFolder(path) || std::any_of(roots.begin(), roots.end(), [&](const SteamRoot& other) {
          return SameFolder(other.path, path);
        })) {
      continue;
    }
    roots.push_back(RootAt(path, s));
  }
  return roots;
}

// The root itself first, then what its lists name.
std::vector<std::string> LibrariesOf(const SteamRoot& root, const PrefixSearch& s) {
  std::vector<std::string> libraries{root.path};
  std::vector<std::string> lists;
  if (const std::vector<std::string> apps = SteamAppsIn(root.path); !apps.empty()) {
    if (auto list = Inside(apps.front(), "libraryfolders.vdf", Prefer::kFile)) {
      lists.push_back(*list);
    }
  }
  lists.push_back(JoinPath(root.path, "config/libraryfolders.vdf"));
  for (const std::string& list : lists) {
    for (const std::string& written : SteamLibraries(ReadRecord(list))) {
      libraries.push_back(CaseResolved(OutsideSandbox(written, root, s)));
    }
  }
  return libraries;
}

// Steam's choice of tool for the app, as config.vdf records it.
std::optional<std::string> ConfiguredTool(const SteamRoot& root, const std::string& app) {
  constexpr std::array<std::string_view, 4> kSteamKey = {"InstallConfigStore", "Software", "Valve",
                                                         "Steam"};
  // The app's own entry, then the default (0); the older ToolMapping last.
  std::array<std::string, 4> names;
  ReadKeyValues(ReadRecord(JoinPath(root.path, "config/config.vdf")),
                [&](const std::vector<std::string>& blocks, const std::string& key,
                    const std::string& value) {
                  if (blocks.size() != 6 || !EqualsNoCase(key, "name") || value.empty()) return;
                  for (size_t i = 0; i < kSteamKey.size(); ++i) {
                    if (!EqualsNoCase(blocks[i], kSteamKey[i])) return;
                  }
                  size_t slot;
                  if (EqualsNoCase(blocks[4], "CompatToolMapping")) {
                    slot = 0;
                  } else if (EqualsNoCase(blocks[4], "ToolMapping")) {
                    slot = 2;
                  } else {
                    return;
                  }
                  if (blocks[5] == "0") {
                    ++slot;
                  } else if (blocks[5] != app) {
                    return;
                  }
                  if (names[slot].empty()) names[slot] = value;
                });
  for (std::string& name : names) {
    if (!name.empty()) return std::move(name);
  }
  return std::nullopt;
}

// A tool a compatibilitytool.vdf in `folder` (or one level below) registers
// under `name`, for Windows programs on Linux.
std::optional<std::string> CustomTool(const std::string& folder, const std::string& name,
                                      const SteamRoot& root, const PrefixSearch& s) {
  std::vector<std::string> manifests;
  for (const std::string& sub : SubFolders(folder)) {
    const std::string vdf = JoinPath(JoinPath(folder, sub), "compatibilitytool.vdf");
    if (IsRegularFile(vdf)) manifests.push_back(vdf);
  }
  for (const std::string& file : Entries(folder, ".vdf")) {
    manifests.push_back(JoinPath(folder, file));
  }
  for (const std::string& vdf : manifests) {
    std::string installPath, from, to;
    ReadKeyValues(ReadRecord(vdf), [&](const std::vector<std::string>& blocks,
                                       const std::string& key, const std::string& value) {
      if (blocks.size() != 3 || !EqualsNoCase(blocks[0], "compatibilitytools") ||
          !EqualsNoCase(blocks[1], "compat_tools") || blocks[2] != name) {
        return;
      }
      if (EqualsNoCase(key, "install_path")) installPath = value;
      if (EqualsNoCase(key, "from_oslist")) from = value;
      if (EqualsNoCase(key, "to_oslist")) to = value;
    });
    if (installPath.empty() || from != "windows" || to != "linux") continue;
    if (installPath == ".") return ParentFolder(vdf);
    if (installPath.front() == '/') return OutsideSandbox(installPath, root, s);
    return JoinPath(folder, installPath);
  }
  return std::nullopt;
}

// The folder of the tool Steam knows by `name`.
std::optional<std::string> ToolFolder(const std::string& name, const SteamRoot& root,
                                      const PrefixSearch& s) {
  std::vector<std::string> folders;
  if (!s.systemRoot.empty()) {
    folders.push_back(JoinPath(s.systemRoot, "usr/share/steam/compatibilitytools.d"));
    folders.push_back(JoinPath(s.systemRoot, "usr/local/share/steam/compatibilitytools.d"));
  }
  for (std::string& extra : SearchPathFolders(s.extraSteamTools)) {
    folders.push_back(std::move(extra));
  }
  folders.push_back(JoinPath(root.path, "compatibilitytools.d"));
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    if (auto tool = CustomTool(*folder, name, root, s)) return tool;
  }
  const auto valve = std::find_if(std::begin(kValveTools), std::end(kValveTools),
                                  [&](const auto& tool) { return tool.first == name; });
  if (valve == std::end(kValveTools)) return std::nullopt;
  const std::string manifestName = "appmanifest_" + std::string(valve->second) + ".acf";
  for (const std::string& library : LibrariesOf(root, s)) {
    for (const std::string& apps : SteamAppsIn(library)) {
      const std::optional<std::string> manifest = Inside(apps, manifestName, Prefer::kFile);
      if (!manifest) continue;
      std::string installDir;
      ReadKeyValues(ReadRecord(*manifest), [&](const std::vector<std::string>& blocks,
                                               const std::string& key, const std::string& value) {
        if (blocks.size() == 1 && EqualsNoCase(blocks[0], "AppState") &&
            EqualsNoCase(key, "installdir")) {
          installDir = value;
        }
      });
      const std::optional<std::string> common = Inside(apps, "common", Prefer::kFolder);
      if (common && PlainName(installDir)) return JoinPath(*common, installDir);
    }
  }
  return std::nullopt;
}

// Proton's own version form, M.m-n; a GE-Proton's names its build instead,
// and Proton never compares those.
std::optional<std::pair<int, int>> ValveVersion(std::string_view text) {
  const size_t dash = text.find('-');
  if (dash == std::string_view::npos || text.find('-', dash + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view release = text.substr(0, dash);
  const size_t dot = release.find('.');
  auto number = [](std::string_view digits) -> std::optional<int> {
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
      return std::nullopt;
    }
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
  };
  if (dot == std::string_view::npos) return std::nullopt;
  const auto major = number(release.substr(0, dot)), minor = number(release.substr(dot + 1));
  if (!major || !minor || dash + 1 == text.size()) return std::nullopt;
  return std::pair{*major, *minor};
}

// The reason not to start the patch with `proton`: it is older than the one
// that last set up the prefix, and would first delete the files that one
// placed into it.
std::optional<std::string> OlderProton(const std::string& prefix, const std::string& compat,
                                       const std::string& proton) {
  const std::string record = ReadRecord(JoinPath(compat, "version"));
  size_t pos = 0;
  const std::string prefixVersion(Trim(NextLine(record, pos)));
  const std::string script = ReadRecord(JoinPath(proton, "proton"));
  constexpr std::string_view kKey = "CURRENT_PREFIX_VERSION=\"";
  const size_t at = script.find(kKey);
  if (at == std::string::npos) return std::nullopt;
  const size_t start = at + kKey.size();
  const std::string protonVersion = script.substr(start, script.find('"', start) - start);
  const auto made = ValveVersion(prefixVersion), runs = ValveVersion(protonVersion);
  if (!made || !runs || !(*runs < *made)) return std::nullopt;
  return OlderProtonReason(prefix, prefixVersion, proton, protonVersion);
}

// A Proton with something of it that can run the patch.
bool Usable(const std::string& proton) {
  const std::string dist = ProtonDist(proton, false);
  return IsProton(proton) || (!dist.empty() && IsProgram(JoinPath(dist, "bin/wine")));
}

// The Proton's Wine with the paths Proton's script gives it, which is what
// its `runinprefix` runs: the Proton's own libraries before the system's, its
// Wine's modules, and none of another Wine's variables.
std::optional<Command> ProtonWine(const std::string& proton, const PrefixSearch& s) {
  const std::string dist = ProtonDist(proton, false);
  if (dist.empty()) return std::nullopt;
  std::string wine = JoinPath(dist, "bin/wine");
  if (!IsProgram(wine)) return std::nullopt;
  std::string libraries, modules;
  if (IsFolder(JoinPath(dist, "lib64"))) {
    libraries = JoinPath(dist, "lib64") + ":" + JoinPath(dist, "lib");
    modules = JoinPath(dist, "lib64/wine") + ":" + JoinPath(dist, "lib/wine");
  } else {
    // Since Proton 10 the libraries are in Debian's multiarch folders.
    libraries = JoinPath(dist, "lib/x86_64-linux-gnu") + ":" + JoinPath(dist, "lib/i386-linux-gnu");
    const std::string vkd3d = JoinPath(dist, "lib/vkd3d");
    modules = (IsFolder(vkd3d) ? vkd3d + ":" : std::string()) + JoinPath(dist, "lib/wine");
  }
  return Command{std::move(wine),
                 {},
                 {{"LD_LIBRARY_PATH", PathBefore(libraries, s.libraryPath)},
                  {"ORIG_LD_LIBRARY_PATH", s.libraryPath},
                  {"WINEDLLPATH", modules},
                  {"PATH", PathBefore(JoinPath(dist, "bin"), s.path)},
                  {"WINEESYNC", "1"},
                  {"WINEFSYNC", "1"},
                  {"WINEARCH", std::nullopt},
                  {"WINELOADER", std::nullopt},
                  {"WINESERVER", std::nullopt},
                  {"WINEDLLOVERRIDES", std::nullopt}}};
}

}  // namespace

// The "path" of each numbered block, or, in the older form, the numbered
// values themselves.
std::vector<std::string> SteamLibraries(std::string_view vdf) {
  std::vector<std::string> libraries;
  ReadKeyValues(vdf, [&](const std::vector<std::string>& blocks, const std::string& key,
                         const std::string& value) {
    const bool numbered = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    if ((blocks.size() == 2 && EqualsNoCase(key, "path")) || (blocks.size() == 1 && numbered)) {
      libraries.push_back(value);
    }
  });
  return libraries;
}

std::vector<std::string> SteamRoots(const PrefixSearch& search) {
  std::vector<std::string> paths;
  for (SteamRoot& root : FindRoots(search)) paths.push_back(std::move(root.path));
  return paths;
}

std::vector<std::string> SteamToolFolders(const PrefixSearch& s) {
  std::vector<std::string> folders = SearchPathFolders(s.extraSteamTools);
  const std::vector<SteamRoot> roots = FindRoots(s);
  for (const SteamRoot& root : roots) {
    for (std::string& apps : SteamAppsIn(root.path)) folders.push_back(std::move(apps));
    folders.push_back(JoinPath(root.path, "compatibilitytools.d"));
  }
  for (const SteamRoot& root : roots) {
    const std::vector<std::string> libraries = LibrariesOf(root, s);
    for (auto library = libraries.begin() + 1; library != libraries.end(); ++library) {
      for (std::string& apps : SteamAppsIn(*library)) folders.push_back(std::move(apps));
    }
  }
  return folders;
}

void FindSteam(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  std::vector<std::string> seen;
  for (const SteamRoot& root : FindRoots(s)) {
    for (const std::string& library : LibrariesOf(root, s)) {
      if (std::any_of(seen.begin(), seen.end(),
                      [&](const std::string& other) { return SameFolder(other, library); })) {
        continue;
      }
      seen.push_back(library);
      for (const std::string& apps : SteamAppsIn(library)) {
        const std::optional<std::string> compatdata = Inside(apps, "compatdata", Prefer::kFolder);
        if (!compatdata) continue;
        for (const std::string& app : SubFolders(*compatdata)) {
          const std::string compat = JoinPath(*compatdata, app);
          AddPrefix(out, JoinPath(compat, "pfx"), PrefixManager::kSteam, root.path, compat);
        }
      }
    }
  }
}

ManagerWine SteamWine(const WinePrefix& prefix, const PrefixSearch& s) {
  const SteamRoot root = RootAt(prefix.root, s);
  const std::string compat = prefix.record.empty() ? ParentFolder(prefix.path) : prefix.record;
  std::vector<std::string> gone;  // what Steam would take, in its order, and is not there
  std::string proton;
  if (const std::optional<std::string> recorded = RecordedProton(compat)) {
    std::string folder = OutsideSandbox(*recorded, root, s);
    if (Usable(folder)) {
      proton = std::move(folder);
    } else {
      gone.push_back(std::move(folder));
    }
  }
  if (proton.empty()) {
    if (const std::optional<std::string> name = ConfiguredTool(root, BaseName(compat))) {
      std::optional<std::string> folder = ToolFolder(*name, root, s);
      if (folder && Usable(*folder)) {
        proton = std::move(*folder);
      } else {
        gone.push_back(folder.value_or(*name));
      }
    }
  }
  if (proton.empty()) {
    return {std::nullopt, gone.empty() ? NoProtonRecordedReason(prefix.path)
                                       : WineNotInstalledReason("Steam", prefix.path, gone)};
  }
  if (std::optional<std::string> older = OlderProton(prefix.path, compat, proton)) {
    return {std::nullopt, std::move(*older)};
  }

  // umu-run is how a Proton is run outside Steam today: inside the Steam
  // Linux Runtime its Proton asks for, as under Steam. Without it, the
  // Proton's own script sets the prefix up as Steam would, on the host.
  if (const std::optional<std::string> umu = FindUmuRun(s, nullptr)) {
    return {UmuCommand(*umu, compat, proton), {}};
  }
  const std::string script = JoinPath(proton, "proton");
  if (CanRun(script, s.path)) {
    // The script fails without the Steam folder; SteamAppId is left out, as
    // it would turn on the game's own fixes.
    return {Command{script,
                    {"waitforexitandrun"},
                    {{"STEAM_COMPAT_DATA_PATH", compat},
                     {"STEAM_COMPAT_CLIENT_INSTALL_PATH", root.path},
                     {"WINEARCH", std::nullopt}}},
            {}};
  }
  if (std::optional<Command> wine = ProtonWine(proton, s)) return {std::move(wine), {}};
  return {std::nullopt, ProtonNotRunnableReason(prefix.path, proton)};
}

}  // namespace svx
