// POSIX code only. What Steam, Lutris and Bottles share about Proton builds
// and umu-run.
//
// rule                                   checked against
// a Proton is a folder with `proton`     protontricks src/protontricks/steam.py SteamApp.is_proton
//                                        (Matoking/protontricks 28cfc0c); Lutris
//                                        lutris/util/wine/proton.py get_proton_versions (4944e03)
// its Wine in files/ (>= 9.0) or dist/   Proton Makefile.in, commit 3d5022de (ValveSoftware/Proton
//                                        proton_9.0 1a73b04)
// config_info line 2 = <dist>/share/     Proton `proton` CompatData.setup_prefix, branches 5.13 to
//   fonts/, no matter the version        9.0; GE-Proton `proton` (proton-ge-custom 8441795)
// umu-run: WINEPREFIX is the compat       umu umu/umu_run.py check_env, set_env, setup_pfx
//   folder; PROTONPATH, GAMEID,          (Open-Wine-Components/umu-launcher e2b203a)
//   PROTON_VERB
#include <utility>

#include "platform/Text.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/RegularFile.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/WineCommand.h"

namespace svx {

bool IsProton(const std::string& folder) {
  return !folder.empty() && IsRegularFile(JoinPath(folder, "proton"));
}

std::string ProtonDist(const std::string& proton, bool distFirst) {
  const char* order[] = {"files", "dist"};
  if (distFirst) std::swap(order[0], order[1]);
  for (const char* name : order) {
    std::string dist = JoinPath(proton, name);
    if (IsFolder(dist)) return dist;
  }
  return {};
}

std::optional<std::string> RecordedProton(const std::string& compatFolder) {
  const std::string info = ReadRecord(JoinPath(compatFolder, "config_info"));
  const std::vector<std::string_view> lines = Lines(info);
  if (lines.size() < 2) return std::nullopt;
  std::string fonts(Trim(lines[1]));
  while (fonts.size() > 1 && fonts.back() == '/') fonts.pop_back();
  constexpr std::string_view kTail = "/share/fonts";
  if (fonts.size() <= kTail.size() || !fonts.ends_with(kTail) || fonts.front() != '/') {
    return std::nullopt;
  }
  return ParentFolder(fonts.substr(0, fonts.size() - kTail.size()));
}

Command UmuCommand(const std::string& umu, const std::string& compatFolder,
                   const std::string& protonPath) {
  // umu-default: umu's fixes are a game's, and the patch is none; the verb
  // waits for what else runs in the prefix, as Lutris and umu do by default.
  // A WINEARCH or STORE of the tool's own would mean something to umu.
  return Command{umu,
                 {},
                 {{"WINEPREFIX", compatFolder},
                  {"PROTONPATH", protonPath},
                  {"GAMEID", "umu-default"},
                  {"PROTON_VERB", "waitforexitandrun"},
                  {"WINEARCH", std::nullopt},
                  {"STORE", std::nullopt}}};
}

bool CanRun(const std::string& program, const std::string& searchPath) {
  if (!IsProgram(program)) return false;
  // The first line only: umu-run is a zip archive after it.
  std::optional<RegularFile> file = RegularFile::Open(program);
  const std::string head = file ? file->ReadAt(0, 256).value_or(std::string()) : std::string();
  if (head.rfind("#!", 0) != 0) return true;
  size_t pos = 0;
  const std::string_view line = Trim(NextLine(head, pos).substr(2));
  const size_t blank = line.find_first_of(" \t");
  const std::string interpreter(line.substr(0, blank));
  if (BaseName(interpreter) == "env" && blank != std::string_view::npos) {
    const std::string_view rest = Trim(line.substr(blank));
    return FindOnSearchPath(std::string(rest.substr(0, rest.find_first_of(" \t"))), searchPath)
        .has_value();
  }
  return IsProgram(interpreter);
}

}  // namespace svx
