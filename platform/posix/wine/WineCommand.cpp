// POSIX code only.
#include "platform/posix/wine/WineCommand.h"

#include <utility>

#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/Managers.h"

namespace svx {

std::optional<std::string> WineIn(const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  for (const char* program : {"bin/wine", "bin/wine64", "files/bin/wine", "dist/bin/wine"}) {
    const std::string path = JoinPath(folder, program);
    if (IsProgram(path)) return path;
  }
  return std::nullopt;
}

std::optional<Command> ProgramCommand(std::optional<std::string> program) {
  if (!program) return std::nullopt;
  return Command{std::move(*program), {}, {}};
}

std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& path) {
  if (name.find('/') != std::string::npos) {
    return IsProgram(name) ? std::optional<std::string>(name) : std::nullopt;
  }
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      std::string candidate = JoinPath(path.substr(start, end - start), name);
      if (IsProgram(candidate)) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::optional<Command> FindWine(const WinePrefix& prefix, const PrefixSearch& search) {
  // An explicit choice is kept even when it is wrong: another Wine would
  // update the user's prefix behind their back.
  if (!search.wine.empty()) return ProgramCommand(FindOnSearchPath(search.wine, search.path));
  for (const ManagerRules& rules : Managers()) {
    if (rules.manager != prefix.manager) continue;
    if (auto command = rules.wine(prefix, search)) return command;
  }
  for (const char* name : {"wine", "wine64"}) {
    if (auto program = FindOnSearchPath(name, search.path)) return ProgramCommand(program);
  }
  for (const std::string& loader : search.packagedWines) {
    if (IsProgram(loader)) return ProgramCommand(loader);
  }
  return std::nullopt;
}

std::optional<Command> WineCommandFor(const WinePrefix& prefix, const PrefixSearch& search,
                                      const std::string& path) {
  std::optional<Command> command = FindWine(prefix, search);
  if (!command) return std::nullopt;
  command->arguments.push_back(path);
  command->environment.emplace_back(
      "WINEPREFIX", prefix.path.empty() ? std::nullopt : std::optional<std::string>(prefix.path));
  return command;
}

}  // namespace svx
