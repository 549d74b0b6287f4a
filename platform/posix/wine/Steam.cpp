// POSIX code only. Steam's rules.
//
// Steam keeps one prefix per game, compatdata/<app id>/pfx, in each of its
// libraries: its own folder and those libraryfolders.vdf lists. The Proton
// build that last ran a prefix wrote config_info beside it: its version, then
// its fonts folder <build>/share/fonts/, then its library folder <build>/lib/.
// (Checked against Proton's own script, which writes that file.)
#include <algorithm>

#include "platform/Text.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/KeyValues.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"

namespace svx {

// The "path" of each numbered block, or, in the older form, the numbered
// values themselves.
std::vector<std::string> SteamLibraries(std::string_view vdf) {
  std::vector<std::string> libraries;
  ReadKeyValues(vdf, [&](const std::vector<std::string>& blocks, const std::string& key,
                         const std::string& value) {
    const bool numbered = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    if ((blocks.size() == 2 && key == "path") || (blocks.size() == 1 && numbered)) {
      libraries.push_back(value);
    }
  });
  return libraries;
}

void FindSteam(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string flatpak = JoinPath(s.home, ".var/app/com.valvesoftware.Steam");
  std::vector<std::string> libraries;
  for (const std::string& root :
       {JoinPath(s.dataHome, "Steam"), JoinPath(s.home, ".steam/steam"),
        JoinPath(s.home, ".steam/root"), JoinPath(s.home, ".steam/debian-installation"),
        JoinPath(flatpak, ".local/share/Steam"), JoinPath(flatpak, "data/Steam")}) {
    if (!IsFolder(root)) continue;
    libraries.push_back(root);
    for (const char* list : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"}) {
      for (const std::string& library : SteamLibraries(ReadRecord(JoinPath(root, list)))) {
        libraries.push_back(library);
      }
    }
  }
  std::vector<std::string> seen;
  for (const std::string& library : libraries) {
    if (std::any_of(seen.begin(), seen.end(),
                    [&](const std::string& other) { return SameFolder(other, library); })) {
      continue;
    }
    seen.push_back(library);
    const std::string compatdata = JoinPath(library, "steamapps/compatdata");
    for (const std::string& app : SubFolders(compatdata)) {
      AddPrefix(out, JoinPath(JoinPath(compatdata, app), "pfx"), PrefixManager::kSteam);
    }
  }
}

std::optional<Command> SteamWine(const WinePrefix& prefix, const PrefixSearch&) {
  const std::string info = ReadRecord(JoinPath(ParentFolder(prefix.path), "config_info"));
  const std::vector<std::string_view> lines = Lines(info);
  for (size_t i = 1; i < lines.size() && i <= 3; ++i) {
    std::string folder(Trim(lines[i]));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (std::string_view tail : {"/share/fonts", "/lib64", "/lib"}) {
      if (folder.size() > tail.size() &&
          folder.compare(folder.size() - tail.size(), tail.size(), tail) == 0) {
        if (auto wine = WineIn(folder.substr(0, folder.size() - tail.size()))) {
          return ProgramCommand(wine);
        }
      }
    }
  }
  return std::nullopt;
}

}  // namespace svx
