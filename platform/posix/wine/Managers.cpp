// POSIX code only.
#include "platform/posix/wine/Managers.h"

#include <algorithm>
#include <utility>

#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/RegularFile.h"
#include "platform/posix/UniqueFd.h"

namespace svx {
namespace {

// The managers' own files are small; anything larger is not one of them.
constexpr size_t kMaxRecordBytes = 1u << 20;

// Adding a manager: a file of its own with its two rules, and a row here.
constexpr ManagerRules kManagers[] = {
    {PrefixManager::kSteam, "Steam", FindSteam, SteamWine},
    {PrefixManager::kLutris, "Lutris", FindLutris, LutrisWine},
    {PrefixManager::kBottles, "Bottles", FindBottles, BottlesWine},
    {PrefixManager::kPlayOnLinux, "PlayOnLinux", FindPlayOnLinux, PlayOnLinuxWine},
    {PrefixManager::kCrossOver, "CrossOver", FindCrossOver, CrossOverWine},
};

}  // namespace

std::span<const ManagerRules> Managers() {
  return kManagers;
}

const char* ManagerName(PrefixManager manager) {
  for (const ManagerRules& rules : kManagers) {
    if (rules.manager == manager) return rules.name;
  }
  return "Wine";
}

std::string ReadRecord(const std::string& path) {
  return ReadRegularFile(path, kMaxRecordBytes).value_or(std::string());
}

std::vector<std::string> Entries(const std::string& folder, std::string_view suffix) {
  std::vector<std::string> names;
  const UniqueDir dir = OpenDir(folder);
  if (!dir) return names;
  ForEachEntry(dir.get(), [&](std::string_view name, unsigned char) {
    if (name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
      names.emplace_back(name);
    }
  });
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> names = Entries(folder);
  std::erase_if(names, [&](const std::string& name) { return !IsFolder(JoinPath(folder, name)); });
  return names;
}

bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool LooksLikePrefix(const std::string& folder) {
  return IsFolder(JoinPath(folder, "drive_c")) || IsRegularFile(JoinPath(folder, "system.reg"));
}

std::string ExpandHome(std::string path, const PrefixSearch& search) {
  if (path == "~" || path.rfind("~/", 0) == 0) path = search.home + path.substr(1);
  return path;
}

std::string CaseResolved(const std::string& path) {
  if (path.empty() || path.front() != '/' || IsFolder(path)) return path;
  return PosixFileSystem(PosixFileSystem::Options{}).HostPath(path).value_or(path);
}

std::string PathBefore(std::string_view first, const std::string& old) {
  std::string path(first);
  if (!old.empty()) path += ":" + old;
  return path;
}

void AddPrefix(std::vector<WinePrefix>& out, std::string path, PrefixManager manager,
               std::string root, std::string record) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // A NUL (a YAML escape can write one) would cut the path short at the system.
  if (path.empty() || path.find('\0') != std::string::npos) return;
  if (IsFolder(path)) out.push_back({std::move(path), manager, std::move(root), std::move(record)});
}

}  // namespace svx
