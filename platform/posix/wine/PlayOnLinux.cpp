// POSIX code only. PlayOnLinux's rules.
//
// PlayOnLinux keeps its prefixes in ~/.PlayOnLinux/wineprefix/, each with a
// playonlinux.cfg of KEY=VALUE lines; VERSION and ARCH (x86 or amd64) name
// the Wine build in ~/.PlayOnLinux/wine/linux-ARCH/VERSION/, no VERSION the
// system's Wine. (Checked against PlayOnLinux's lib/playonlinux.lib and
// lib/wine.lib.)
#include <utility>

#include "platform/Text.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"

namespace svx {

void FindPlayOnLinux(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = JoinPath(s.home, ".PlayOnLinux/wineprefix");
  for (const std::string& name : SubFolders(folder)) {
    AddPrefix(out, JoinPath(folder, name), PrefixManager::kPlayOnLinux);
  }
}

std::optional<Command> PlayOnLinuxWine(const WinePrefix& prefix, const PrefixSearch& s) {
  // As PlayOnLinux reads it: the first line that starts with the key, up to
  // the next '='.
  std::string version, arch;
  const std::string config = ReadRecord(JoinPath(prefix.path, "playonlinux.cfg"));
  for (std::string_view line : Lines(config)) {
    for (auto [key, into] : {std::pair<std::string_view, std::string*>{"VERSION=", &version},
                             std::pair<std::string_view, std::string*>{"ARCH=", &arch}}) {
      if (line.substr(0, key.size()) == key && into->empty()) {
        const std::string_view value = line.substr(key.size());
        *into = std::string(value.substr(0, value.find('=')));
      }
    }
  }
  if (arch.empty()) arch = "x86";
  if (!PlainName(version) || !PlainName(arch)) return std::nullopt;
  return ProgramCommand(
      WineIn(JoinPath(s.home, ".PlayOnLinux/wine/linux-" + arch + "/" + version)));
}

}  // namespace svx
