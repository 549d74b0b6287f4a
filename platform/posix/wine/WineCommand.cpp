// POSIX code only.
#include "platform/posix/wine/WineCommand.h"

#include <algorithm>
#include <utility>

#include "platform/posix/PosixPath.h"

namespace svx {

std::optional<Command> ProgramCommand(std::optional<std::string> program) {
  if (!program) return std::nullopt;
  return Command{std::move(*program), {}, {}};
}

std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& path) {
  if (name.find('/') != std::string::npos) {
    return IsProgram(name) ? std::optional<std::string>(name) : std::nullopt;
  }
  for (const std::string& folder : SearchPathFolders(path)) {
    std::string candidate = JoinPath(folder, name);
    if (IsProgram(candidate)) return candidate;
  }
  return std::nullopt;
}

ManagerWine FindWine(const WinePrefix& prefix, const PrefixSearch& search) {
  // An explicit choice is kept even when it is wrong: another Wine would
  // update the user's prefix behind their back.
  if (!search.wine.empty()) return {ProgramCommand(FindOnSearchPath(search.wine, search.path)), {}};
  for (const ManagerRules& rules : Managers()) {
    if (rules.manager != prefix.manager) continue;
    ManagerWine wine = rules.wine(prefix, search);
    if (wine.command || !wine.gone.empty()) return wine;
  }
  for (const char* name : {"wine", "wine64"}) {
    if (auto program = FindOnSearchPath(name, search.path)) return {ProgramCommand(program), {}};
  }
  for (const std::string& loader : search.packagedWines) {
    if (IsProgram(loader)) return {ProgramCommand(loader), {}};
  }
  return {};
}

ManagerWine WineCommandFor(const WinePrefix& prefix, const PrefixSearch& search,
                           const std::string& path) {
  ManagerWine wine = FindWine(prefix, search);
  if (!wine.command) return wine;
  Command& command = *wine.command;
  command.arguments.push_back(path);
  if (std::none_of(command.environment.begin(), command.environment.end(),
                   [](const auto& change) { return change.first == "WINEPREFIX"; })) {
    command.environment.emplace_back(
        "WINEPREFIX", prefix.path.empty() ? std::nullopt : std::optional<std::string>(prefix.path));
  }
  return wine;
}

}  // namespace svx
