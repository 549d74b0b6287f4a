// POSIX code only. Which Wine prefix the simulator lives in.
//
// A prefix is a folder with the registry files (system.reg) and drive_c. Users
// keep their simulator in ~/.wine, in $WINEPREFIX, or, most often today, in a
// prefix a prefix manager made: Steam (Proton), Lutris, Bottles, PlayOnLinux or
// CrossOver. Each manager records where its prefixes are and which Wine build
// runs each of them; the rules for reading those records are in Managers.h,
// one file per manager.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Environment.h"
#include "platform/posix/wine/WineRegistry.h"

namespace svx {

enum class PrefixManager { kNone, kSteam, kLutris, kBottles, kPlayOnLinux, kCrossOver };

struct WinePrefix {
  std::string path;  // empty: there is no prefix (neither WINEPREFIX nor HOME is set)
  PrefixManager manager = PrefixManager::kNone;
  // The manager's folder the prefix was found through (Steam's own folder,
  // whose libraries hold it; Lutris's and Bottles' data folders), and what the
  // manager keeps of this one prefix (Steam's compatdata/<id> folder, Lutris's
  // game file, the bottle's bottle.yml, PlayOnLinux's playonlinux.cfg,
  // CrossOver's bottle folder): its Wine is read from them at launch. Empty
  // where the manager keeps none.
  std::string root;
  std::string record;
};

// What the search depends on, so that tests can lay out a home of their own.
struct PrefixSearch {
  std::string home;             // $HOME
  std::string winePrefix;       // $WINEPREFIX
  std::string dataHome;         // $XDG_DATA_HOME, else ~/.local/share
  std::string configHome;       // $XDG_CONFIG_HOME, else ~/.config
  std::string wine;             // $WINE: the Wine program to use, as winetricks takes it
  std::string path;             // $PATH
  std::string libraryPath;      // $LD_LIBRARY_PATH, which a Proton's own libraries go before
  std::string steamDir;         // $STEAM_DIR: a Steam folder the user names
  std::string extraSteamTools;  // $STEAM_EXTRA_COMPAT_TOOLS_PATHS, colon-separated
  // The root of the folders packages install to ("/"; tests lay out one of
  // their own): Steam's and umu's system-wide folders, Lutris's fixed Wines.
  // Empty: none of them is looked at.
  std::string systemRoot;
  // Where CrossOver may be installed (its own installer's two choices).
  std::vector<std::string> crossOverFolders;
  // Wine loaders installed outside the search path, tried last: Debian's wine64
  // package alone puts its loader only in /usr/lib/wine.
  std::vector<std::string> packagedWines;

  // The search of a user with this environment (the one read at start-up).
  static PrefixSearch From(const Environment& environment);
};

// WINEPREFIX, else ~/.wine: the prefix when nothing else is known.
WinePrefix DefaultWinePrefix(const PrefixSearch& search);

// Every prefix folder there is, in the order they are tried: ~/.wine, then
// Steam, Lutris, Bottles, PlayOnLinux and CrossOver, each in its own order. A
// folder reached twice (through a link) is listed once, where first met.
std::vector<WinePrefix> FindWinePrefixes(const PrefixSearch& search);

// What a candidate's registry says of the simulator.
enum class PrefixFit { kNoValue, kValueOnly, kFolderFound };

// The prefix the tool works in, chosen once at start-up: WINEPREFIX when set;
// otherwise the first prefix found whose fit is kFolderFound, else the first
// whose fit is kValueOnly, else ~/.wine. `fit` is asked at most once per
// prefix, in order, and no more after the first kFolderFound.
WinePrefix ChooseWinePrefix(const PrefixSearch& search,
                            const std::function<PrefixFit(const WinePrefix&)>& fit);

struct PrefixInUse {
  WinePrefix prefix;
  // The chosen prefix's registry, which has already answered the question
  // start-up asks it, so that no registry file is read twice.
  std::unique_ptr<WineRegistry> registry;
};

// ChooseWinePrefix with each candidate's registry judged by `simulatorFolder`
// through the candidate's own drive links.
PrefixInUse ChoosePrefixInUse(const PrefixSearch& search, RegistryFolderTest simulatorFolder);

// The prefix at `path` with what its manager records of it, when a manager
// knows that folder.
WinePrefix IdentifyWinePrefix(const std::string& path, const PrefixSearch& search);

}  // namespace svx
