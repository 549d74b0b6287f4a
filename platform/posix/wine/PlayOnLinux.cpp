// POSIX code only. PlayOnLinux's rules.
//
// PlayOnLinux keeps its prefixes in ~/.PlayOnLinux/wineprefix/, each with a
// playonlinux.cfg of KEY=VALUE lines. Sources: PlayOnLinux =
// PlayOnLinux/POL-POM-4 fde00fe.
//
// rule                                          checked against
// the prefixes: ~/.PlayOnLinux/wineprefix/*     lib/wine.lib POL_Wine_SelectPrefix
// a key's value: the first line that starts    lib/playonlinux.lib POL_Config_PrefixRead
//   with KEY=, all of the rest of it              (grep "^KEY=" | cut -d= -f2-)
// VERSION and ARCH (x86 or amd64; unset:        lib/wine.lib POL_Wine_AutoSetVersionEnv,
//   x86, which the Python side assumes, then      POL_Wine_SetVersionEnv; lib/scripts.lib
//   amd64, the shell's choice on 64-bit hosts)    POL_System_SetArch; python/lib/playonlinux.py
//   name ~/.PlayOnLinux/wine/linux-ARCH/VERSION;  winpath
//   no VERSION is the system's Wine
// the start: the build's bin/wine, its lib/     lib/wine.lib POL_Wine
//   and lib64/ before LD_LIBRARY_PATH, its bin/
//   before PATH
#include <utility>

#include "platform/Text.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"
#include "res/Strings.h"

namespace svx {

void FindPlayOnLinux(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = JoinPath(s.home, ".PlayOnLinux/wineprefix");
  for (const std::string& name : SubFolders(folder)) {
    const std::string prefix = JoinPath(folder, name);
    AddPrefix(out, prefix, PrefixManager::kPlayOnLinux, {}, JoinPath(prefix, "playonlinux.cfg"));
  }
}

ManagerWine PlayOnLinuxWine(const WinePrefix& prefix, const PrefixSearch& s) {
  std::string version, arch;
  const std::string config = ReadRecord(prefix.record);
  for (std::string_view line : Lines(config)) {
    for (auto [key, into] : {std::pair<std::string_view, std::string*>{"VERSION=", &version},
                             std::pair<std::string_view, std::string*>{"ARCH=", &arch}}) {
      if (line.substr(0, key.size()) == key && into->empty()) *into = line.substr(key.size());
    }
  }
  if (version.empty()) return {};
  std::vector<std::string> builds;
  for (const std::string& a :
       arch.empty() ? std::vector<std::string>{"x86", "amd64"} : std::vector<std::string>{arch}) {
    if (!PlainName(version) || !PlainName(a)) return {};
    builds.push_back(JoinPath(s.home, ".PlayOnLinux/wine/linux-" + a + "/" + version));
  }
  for (const std::string& build : builds) {
    std::string wine = JoinPath(build, "bin/wine");
    if (!IsProgram(wine)) continue;
    return {
        Command{
            std::move(wine),
            {},
            {{"LD_LIBRARY_PATH",
              PathBefore(JoinPath(build, "lib") + ":" + JoinPath(build, "lib64"), s.libraryPath)},
             {"PATH", PathBefore(JoinPath(build, "bin"), s.path)}}},
        {}};
  }
  return {std::nullopt, WineNotInstalledReason("PlayOnLinux", prefix.path, builds)};
}

}  // namespace svx
