// POSIX code only. Bottles' rules.
//
// Bottles keeps each bottle, a prefix, in bottles/ of its data folder
// (~/.local/share/bottles; Flatpak: ~/.var/app/com.usebottles.bottles/data/
// bottles), or in data.yml's custom_bottles_path. A bottle's bottle.yml names
// its Wine build in Runner:, a folder in runners/ ("sys-..." is the system's
// Wine), and, with Custom_Path: true, the prefix's own folder in Path:.
// (Checked against Bottles' backend: models/config.py, globals.py, data.py.)
// The bottle's Wine is the runner recorded here (RecordedWine, Managers.cpp).
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/YamlSubset.h"

namespace svx {

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
        const std::string bottle = JoinPath(folder, name);
        const std::string config = ReadRecord(JoinPath(bottle, "bottle.yml"));
        if (config.empty()) continue;
        const std::string runner = YamlScalar(config, {"Runner"}).value_or("");
        const std::optional<std::string> path = YamlScalar(config, {"Path"});
        const bool elsewhere = YamlTrue(YamlScalar(config, {"Custom_Path"})) && path &&
                               !path->empty() && path->front() == '/';
        const bool system = !PlainName(runner) || runner.rfind("sys-", 0) == 0;
        AddPrefix(out, elsewhere ? *path : bottle, PrefixManager::kBottles,
                  system ? std::string() : JoinPath(base, "runners/" + runner));
      }
    }
  }
}

}  // namespace svx
