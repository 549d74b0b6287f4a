// POSIX code only. Bottles' rules.
//
// Bottles keeps each bottle, a prefix, in bottles/ of its data folder, with
// the bottle's bottle.yml naming its Wine build (Runner:) and its
// architecture (Arch:). Sources: Bottles = bottlesdevs/Bottles 826e393.
//
// rule                                          checked against
// data folder: $XDG_DATA_HOME/bottles (the      bottles/backend/globals.py Paths
//   Flatpak's: ~/.var/app/com.usebottles.
//   bottles/data/bottles); data.yml's
//   custom_bottles_path in place of bottles/      bottles/backend/managers/manager.py __init__
//   (here: as well as)
// a bottle made in a folder of its own leaves   bottles/backend/managers/manager.py
//   only placeholder.yml (Path:) in bottles/;     check_bottles, create_bottle
//   its bottle.yml is beside it
// the runner: sys-* the system's wine; else a   bottles/backend/utils/manager.py
//   folder of runners/, else a Proton of the      get_runner_path;
//   same name in a Steam folder's                 bottles/backend/managers/steam.py
//   compatibilitytools.d or the system's          list_compatibility_tools
// its program: a Proton's (toolmanifest.vdf     bottles/backend/wine/winecommand.py
//   says so) dist/, else files/ bin/wine;         _get_runner_info;
//   else bin/wine; wine64 beside it for win64     bottles/backend/utils/steam.py is_proton,
//                                                 get_dist_directory
// its variables: WINEPREFIX, WINEARCH, and the  bottles/backend/wine/winecommand.py get_env
//   runner's library folders after
//   LD_LIBRARY_PATH
#include <utility>

#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/KeyValues.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"
#include "platform/posix/wine/YamlSubset.h"
#include "res/Strings.h"

namespace svx {
namespace {

// Bottles' test: the tool manifest names Proton as its layer or command.
bool IsBottlesProton(const std::string& runner) {
  bool proton = false;
  ReadKeyValues(ReadRecord(JoinPath(runner, "toolmanifest.vdf")),
                [&](const std::vector<std::string>& blocks, const std::string& key,
                    const std::string& value) {
                  if (blocks.size() == 1 && blocks[0] == "manifest" &&
                      (key == "compatmanager_layer_name" || key == "commandline") &&
                      value.find("proton") != std::string::npos) {
                    proton = true;
                  }
                });
  return proton;
}

// The runner's folder: Bottles' own, else a Proton of that name Steam keeps.
std::optional<std::string> RunnerFolder(const std::string& base, const std::string& runner,
                                        const PrefixSearch& s) {
  const std::string own = JoinPath(base, "runners/" + runner);
  if (IsFolder(own)) return own;
  std::vector<std::string> tools;
  for (const std::string& root : SteamRoots(s)) {
    tools.push_back(JoinPath(root, "compatibilitytools.d"));
  }
  if (!s.systemRoot.empty()) {
    tools.push_back(JoinPath(s.systemRoot, "usr/share/steam/compatibilitytools.d"));
  }
  for (const std::string& folder : tools) {
    std::string tool = JoinPath(folder, runner);
    if (IsBottlesProton(tool)) return tool;
  }
  return std::nullopt;
}

}  // namespace

void FindBottles(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  for (const std::string& base :
       {JoinPath(s.dataHome, "bottles"),
        JoinPath(s.home, ".var/app/com.usebottles.bottles/data/bottles")}) {
    std::vector<std::string> folders;
    if (auto custom = YamlScalar(ReadRecord(JoinPath(base, "data.yml")), {"custom_bottles_path"})) {
      folders.push_back(ExpandHome(*custom, s));
    }
    folders.push_back(JoinPath(base, "bottles"));
    for (const std::string& folder : folders) {
      for (const std::string& name : SubFolders(folder)) {
        const std::string entry = JoinPath(folder, name);
        if (const std::string placeholder = ReadRecord(JoinPath(entry, "placeholder.yml"));
            !placeholder.empty()) {
          const std::optional<std::string> path = YamlScalar(placeholder, {"Path"});
          if (!path || path->empty() || path->front() != '/') continue;
          AddPrefix(out, *path, PrefixManager::kBottles, base, JoinPath(*path, "bottle.yml"));
          continue;
        }
        std::string record = JoinPath(entry, "bottle.yml");
        const std::string config = ReadRecord(record);
        if (config.empty()) continue;
        // Bottles of older versions kept a custom folder's bottle.yml here.
        const std::optional<std::string> path = YamlScalar(config, {"Path"});
        const bool elsewhere = YamlTrue(YamlScalar(config, {"Custom_Path"})) && path &&
                               !path->empty() && path->front() == '/';
        AddPrefix(out, elsewhere ? *path : entry, PrefixManager::kBottles, base, std::move(record));
      }
    }
  }
}

ManagerWine BottlesWine(const WinePrefix& prefix, const PrefixSearch& s) {
  const std::string config = ReadRecord(prefix.record);
  const std::string runner = YamlScalar(config, {"Runner"}).value_or("");
  const std::string arch = YamlScalar(config, {"Arch"}).value_or("win64");
  const bool win64 = arch == "win64";
  std::vector<std::pair<std::string, std::optional<std::string>>> environment{{"WINEARCH", arch}};
  if (runner.rfind("sys-", 0) == 0) {
    std::optional<std::string> wine = FindOnSearchPath("wine", s.path);
    if (!wine) return {};
    if (win64 && IsProgram(*wine + "64")) *wine += "64";
    return {Command{std::move(*wine), {}, std::move(environment)}, {}};
  }
  if (!PlainName(runner)) return {};
  const std::optional<std::string> folder = RunnerFolder(prefix.root, runner, s);
  if (!folder) {
    return {std::nullopt,
            WineNotInstalledReason("Bottles", prefix.path,
                                   std::vector{JoinPath(prefix.root, "runners/" + runner)})};
  }
  std::string build = *folder;
  if (IsBottlesProton(build)) {
    if (std::string dist = ProtonDist(build, true); !dist.empty()) build = std::move(dist);
  }
  std::string program = JoinPath(build, "bin/wine");
  if (win64 && IsProgram(program + "64")) program += "64";
  if (!IsProgram(program)) {
    return {std::nullopt, WineNotInstalledReason("Bottles", prefix.path, std::vector{program})};
  }
  // A runner is built against the libraries it carries.
  std::string libraries = s.libraryPath;
  const std::vector<const char*> own =
      win64 ? std::vector<const char*>{"lib",
                                       "lib64",
                                       "lib/wine/x86_64-unix",
                                       "lib32/wine/x86_64-unix",
                                       "lib64/wine/x86_64-unix",
                                       "lib/wine/i386-unix",
                                       "lib32/wine/i386-unix",
                                       "lib64/wine/i386-unix"}
            : std::vector<const char*>{"lib", "lib/wine/i386-unix", "lib32/wine/i386-unix",
                                       "lib64/wine/i386-unix"};
  for (const char* folderName : own) {
    const std::string path = JoinPath(build, folderName);
    if (!IsFolder(path)) continue;
    if (!libraries.empty()) libraries += ':';
    libraries += path;
  }
  if (libraries != s.libraryPath) environment.emplace_back("LD_LIBRARY_PATH", libraries);
  return {Command{std::move(program), {}, std::move(environment)}, {}};
}

}  // namespace svx
