// POSIX code only. The prefix managers' rules: for each manager, where it
// keeps its prefixes and how it starts a program in one of them, as read from
// the manager's own files. Each manager's rules are in a file of its own
// (Steam.cpp, Lutris.cpp, Bottles.cpp, PlayOnLinux.cpp, CrossOver.cpp), headed
// by a table of its rules with the public source each was checked against;
// what several managers share about Proton builds and umu-run is in
// Proton.cpp. The table in Managers.cpp puts the managers in the order their
// prefixes are tried.
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

// How a manager runs programs in one of its prefixes.
struct ManagerWine {
  // Its way of starting one, the program's path still to be added, when all
  // it needs is on disk.
  std::optional<Command> command;
  // Without a command: why the manager's own choice cannot be run (one of the
  // reasons of res/Strings.h); empty when the manager leaves the prefix to the
  // system's Wine.
  std::string gone;
};

struct ManagerRules {
  PrefixManager manager;
  const char* name;  // as its users know it
  // Adds the manager's prefixes that are on disk, in the order it tries them.
  void (*find)(const PrefixSearch& search, std::vector<WinePrefix>& out);
  ManagerWine (*wine)(const WinePrefix& prefix, const PrefixSearch& search);
};

// In the order their prefixes are tried, after ~/.wine.
std::span<const ManagerRules> Managers();
const char* ManagerName(PrefixManager manager);

void FindSteam(const PrefixSearch& search, std::vector<WinePrefix>& out);
ManagerWine SteamWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindLutris(const PrefixSearch& search, std::vector<WinePrefix>& out);
ManagerWine LutrisWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindBottles(const PrefixSearch& search, std::vector<WinePrefix>& out);
ManagerWine BottlesWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindPlayOnLinux(const PrefixSearch& search, std::vector<WinePrefix>& out);
ManagerWine PlayOnLinuxWine(const WinePrefix& prefix, const PrefixSearch& search);
void FindCrossOver(const PrefixSearch& search, std::vector<WinePrefix>& out);
ManagerWine CrossOverWine(const WinePrefix& prefix, const PrefixSearch& search);

// --- What other managers take from Steam (Steam.cpp) ---

// Every library folder Steam's libraryfolders.vdf lists.
std::vector<std::string> SteamLibraries(std::string_view vdf);
// Every Steam folder there is, each once, in the order Steam's prefixes are
// tried.
std::vector<std::string> SteamRoots(const PrefixSearch& search);
// The folders Lutris finds Protons in by their folder names, in its order:
// STEAM_EXTRA_COMPAT_TOOLS_PATHS, then each Steam folder's steamapps and
// compatibilitytools.d, then the steamapps of every library.
std::vector<std::string> SteamToolFolders(const PrefixSearch& search);

// --- Lutris's folders, where umu-run is also looked for (Lutris.cpp) ---

struct LutrisInstall {
  std::string config;  // its configuration folder (games/, runners/, lutris.conf)
  std::string data;    // its data folder
  std::string
      wineDir;  // where its Wine builds are: lutris.conf's runner_dir, else data/runners, + wine
  std::string runtime;  // lutris.conf's runtime_dir, else data/runtime
  std::string umuPath;  // lutris.conf's umu_path
};
std::vector<LutrisInstall> LutrisInstalls(const PrefixSearch& search);

// umu-run (or the older umu_run.py) where Lutris finds it: the umu_path of
// `lutris`, then the search path, then the system's umu folders, then the
// runtime of `lutris`; without one Lutris, the umu_path and runtime of each.
std::optional<std::string> FindUmuRun(const PrefixSearch& search, const LutrisInstall* lutris);

// --- Proton builds (Proton.cpp) ---

// A Proton build's folder: it holds the proton script.
bool IsProton(const std::string& folder);
// The folder of a Proton's own Wine (bin/, lib/, share/): files/ since Proton
// 9.0, dist/ before; `distFirst` for the managers that look there first.
// Empty when it has neither.
std::string ProtonDist(const std::string& proton, bool distFirst);
// The Proton folder that last set up a compatdata folder (Steam's, or a
// prefix umu ran), as its config_info names it; nothing without one.
std::optional<std::string> RecordedProton(const std::string& compatFolder);
// What umu-run runs a program with in `compatFolder` (the folder that holds
// pfx/, or, for a prefix of umu's own, the prefix itself).
Command UmuCommand(const std::string& umu, const std::string& compatFolder,
                   const std::string& protonPath);
// A program the system can start: executable, and for a script the
// interpreter its #! line names present (through `env`: on the search path).
// Proton's script and umu-run need python3, which a system may lack.
bool CanRun(const std::string& program, const std::string& searchPath);

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

// A path as written, else, when nothing is there, the path whose names match
// it without regard to letter case, as the managers match a library whose
// folder was renamed; found as the file layer finds any host path.
std::string CaseResolved(const std::string& path);

// `first` put before the search path `old` (a colon-separated value).
std::string PathBefore(std::string_view first, const std::string& old);

// Adds the prefix at `path`, when that is a folder.
void AddPrefix(std::vector<WinePrefix>& out, std::string path, PrefixManager manager,
               std::string root = {}, std::string record = {});

}  // namespace svx
