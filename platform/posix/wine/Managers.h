// POSIX code only. The prefix managers' rules: for each manager, where it
// keeps its prefixes and which Wine it runs each of them with, as read from
// the manager's own files. Each manager's rules are in a file of its own
// (Steam.cpp, Lutris.cpp, Bottles.cpp, PlayOnLinux.cpp, CrossOver.cpp), each
// rule with the public source it was checked against; the table in
// Managers.cpp puts them in the order their prefixes are tried.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/Command.h"
#include "platform/posix/wine/PrefixSearch.h"

namespace svx {

struct ManagerRules {
  PrefixManager manager;
  // Adds the manager's prefixes that are on disk, in the order it tries them.
  void (*find)(const PrefixSearch& search, std::vector<WinePrefix>& out);
  // How the manager runs a program in one of its prefixes (see FindWine),
  // where what it records is still on disk; nothing otherwise.
  std::optional<Command> (*wine)(const WinePrefix& prefix, const PrefixSearch& search);
};

// In the order their prefixes are tried, after ~/.wine.
std::span<const ManagerRules> Managers();

void FindSteam(const PrefixSearch& search, std::vector<WinePrefix>& out);
std::optional<Command> SteamWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindLutris(const PrefixSearch& search, std::vector<WinePrefix>& out);
void FindBottles(const PrefixSearch& search, std::vector<WinePrefix>& out);
// Lutris and Bottles name the Wine (WinePrefix::runner) while their prefixes
// are listed.
std::optional<Command> RecordedWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindPlayOnLinux(const PrefixSearch& search, std::vector<WinePrefix>& out);
std::optional<Command> PlayOnLinuxWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindCrossOver(const PrefixSearch& search, std::vector<WinePrefix>& out);
std::optional<Command> CrossOverWine(const WinePrefix& prefix, const PrefixSearch& search);

// Every library folder Steam's libraryfolders.vdf lists.
std::vector<std::string> SteamLibraries(std::string_view vdf);

// --- What the rules share ---

// A manager's file, read whole; empty when it is missing, unreadable or
// larger than any the managers write.
std::string ReadRecord(const std::string& path);

// The names in a folder that end in `suffix`, in byte order so that every run
// tries them alike; and those of its subfolders.
std::vector<std::string> Entries(const std::string& folder, std::string_view suffix = {});
std::vector<std::string> SubFolders(const std::string& folder);

// A runner or version name from a manager's file names one folder among its
// siblings, never a way out of them.
bool PlainName(std::string_view name);

// A folder Wine has made a prefix of: drive_c, or a registry.
bool LooksLikePrefix(const std::string& folder);

// A leading ~ as the user's home, as the managers write it.
std::string ExpandHome(std::string path, const PrefixSearch& search);

// Adds the prefix at `path`, when that is a folder.
void AddPrefix(std::vector<WinePrefix>& out, std::string path, PrefixManager manager,
               std::string runner = {});

}  // namespace svx
