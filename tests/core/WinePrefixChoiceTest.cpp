#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "install/SimulatorChecks.h"
#include "platform/posix/Environment.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/wine/PrefixSearch.h"
#include "support/FakePrefix.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace svx {
namespace {

namespace stdfs = std::filesystem;

// A home with a prefix in each place a user may keep one, laid out as each
// prefix manager lays it out.
class PrefixHome {
 public:
  PrefixHome() {
    home_ = dir_.Str() + "/home";
    Prefix("wine", "home/.wine");
    // Steam: a prefix in its own library and one in a second library that
    // libraryfolders.vdf lists (with the first, as Steam writes it). The
    // ~/.steam/steam link reaches the first library a second time.
    Prefix("steam", "home/.local/share/Steam/steamapps/compatdata/100/pfx");
    Prefix("steam2", "games/SteamLibrary/steamapps/compatdata/200/pfx");
    dir_.Write(
        "home/.local/share/Steam/steamapps/libraryfolders.vdf",
        test::KeyValuesText(test::Block(
            "libraryfolders",
            {test::Block("0", {{"path", home_ + "/.local/share/Steam"},
                               test::Block("apps", {{"100", "1"}})}),
             test::Block("1", {{"path", dir_.Str() + "/games/SteamLibrary"}, {"label", ""}})})));
    dir_.MakeDir("home/.steam");
    stdfs::create_directory_symlink(home_ + "/.local/share/Steam", home_ + "/.steam/steam");
    // Lutris: a game file naming a prefix outside ~/Games, and a prefix left
    // in ~/Games without one.
    Prefix("lutris", "games/flight-sim");
    dir_.Write("home/.config/lutris/games/flight-sim-1700000000.yml",
               "game:\n  exe: " + dir_.Str() +
                   "/games/flight-sim/drive_c/fsx.exe\n  prefix: " + dir_.Str() +
                   "/games/flight-sim\nname: Flight Sim\nrunner: wine\nsystem: {}\n"
                   "wine:\n  version: lutris-7.2-2-x86_64\n");
    Prefix("lutrisGames", "home/Games/other-game");
    // Bottles: a bottle in its own folder, and a Flatpak one kept elsewhere.
    Prefix("bottles", "home/.local/share/bottles/bottles/Flight");
    dir_.Write("home/.local/share/bottles/bottles/Flight/bottle.yml",
               "Arch: win64\nCustom_Path: false\nName: Flight\nPath: Flight\nRunner: caffe-7.20\n");
    Prefix("bottlesFlatpak", "games/bottle-elsewhere");
    dir_.Write("home/.var/app/com.usebottles.bottles/data/bottles/bottles/Sim/bottle.yml",
               "Custom_Path: true\nName: Sim\nPath: " + dir_.Str() +
                   "/games/bottle-elsewhere\nRunner: sys-wine-9.0\n");
    Prefix("pol", "home/.PlayOnLinux/wineprefix/FSX");
    dir_.Write("home/.PlayOnLinux/wineprefix/FSX/playonlinux.cfg", "ARCH=x86\nVERSION=4.3.4\n");
    Prefix("cx", "home/.cxoffice/FSX");
    dir_.Write("home/.cxoffice/FSX/cxbottle.conf", "[Bottle]\n");
  }

  void Prefix(const std::string& name, const std::string& relative) {
    prefixes_.emplace(name, test::FakePrefix(dir_.Path() / relative));
  }

  // A registry naming `folder` (as stored) as the simulator's.
  void SetRegistry(const std::string& name, const std::string& folder) {
    prefixes_.at(name).SetupPath(folder);
  }

  // The simulator in C:\Games\FSX of that prefix, the registry saying so.
  void Install(const std::string& name) {
    const test::FakePrefix& prefix = prefixes_.at(name);
    prefix.SetupPath("C:\\Games\\FSX\\");
    prefix.DriveC("TERRAIN.CFG");  // not the right folder
    prefix.DriveC("Games/FSX/terrain.cfg");
  }

  PrefixSearch Search() const {
    PrefixSearch s;
    s.home = home_;
    s.dataHome = home_ + "/.local/share";
    s.configHome = home_ + "/.config";
    s.crossOverFolders = {dir_.Str() + "/cxoffice"};
    return s;
  }

  std::string operator[](const std::string& name) const { return prefixes_.at(name).Str(); }
  const test::TempDir& Dir() const { return dir_; }

 private:
  test::TempDir dir_;
  std::string home_;
  std::map<std::string, test::FakePrefix> prefixes_;
};

TEST(WinePrefixSearch, FindsEachManagersPrefixesOnceInTheirOrder) {
  PrefixHome home;
  std::vector<std::string> found;
  for (const WinePrefix& prefix : FindWinePrefixes(home.Search())) found.push_back(prefix.path);
  EXPECT_EQ(found, (std::vector<std::string>{home["wine"], home["steam"], home["steam2"],
                                             home["lutris"], home["lutrisGames"], home["bottles"],
                                             home["bottlesFlatpak"], home["pol"], home["cx"]}));
}

// ~/.wine, looked at first, may be a link to a manager's prefix: one
// candidate, which keeps what the manager recorded of its Wine.
TEST(WinePrefixSearch, KeepsTheManagersRecordOfAPrefixAlsoReachedAsDotWine) {
  PrefixHome home;
  stdfs::remove_all(home["wine"]);
  stdfs::create_directory_symlink(home["lutris"], home["wine"]);
  const std::vector<WinePrefix> found = FindWinePrefixes(home.Search());
  ASSERT_GE(found.size(), 2u);
  EXPECT_EQ(found[0].path, home["wine"]);
  EXPECT_EQ(found[0].manager, PrefixManager::kLutris);
  EXPECT_TRUE(found[0].record.ends_with("/lutris/games/flight-sim-1700000000.yml"))
      << found[0].record;
  EXPECT_EQ(found[1].path, home["steam"]);
  for (const WinePrefix& prefix : found) EXPECT_NE(prefix.path, home["lutris"]);
}

// Lutris writes its game files with PyYAML: long values folded onto further
// lines, non-ASCII characters as escapes in double quotes.
TEST(WinePrefixSearch, ReadsThePrefixOfALutrisGameFileAsPyYamlWritesIt) {
  test::TempDir dir;
  const std::string folder = dir.Str() + "/Games/caf\xC3\xA9 it's a very long folder name";
  dir.MakeDir("Games/caf\xC3\xA9 it's a very long folder name/drive_c");
  const std::string escaped = dir.Str() + "/Games/caf\\xE9 it's a very long folder name";
  const std::string quoted = "'" + dir.Str() + "/Games/caf\xC3\xA9 it''s a very long folder name'";
  const std::string folded = dir.Str() + "/Games/caf\xC3\xA9 it's a very\n    long folder name";
  for (const std::string& value : {"\"" + escaped + "\"", quoted, folded}) {
    SCOPED_TRACE(value);
    dir.Write("home/.config/lutris/games/sim-1.yml",
              "game:\n  args: ''\n  prefix: " + value + "\n  working_dir: /x\nname: x\n");
    PrefixSearch search;
    search.home = dir.Str() + "/home";
    search.configHome = search.home + "/.config";
    const std::vector<WinePrefix> found = FindWinePrefixes(search);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].path, folder);
  }
}

TEST(WinePrefixSearch, TakesTheFirstPrefixWhoseRegistryFolderIsTheSimulator) {
  const struct {
    const char* what;
    std::vector<std::string> installed;  // the simulator there, found through the registry
    std::vector<std::string> valueOnly;  // a SetupPath to a folder that is not there
    std::string chosen;
  } cases[] = {
      {"Steam, second library", {"steam2"}, {}, "steam2"},
      {"Lutris game file", {"lutris"}, {"steam"}, "lutris"},
      {"Lutris default folder", {"lutrisGames"}, {}, "lutrisGames"},
      {"Bottles", {"bottles"}, {}, "bottles"},
      {"Bottles Flatpak, custom path", {"bottlesFlatpak"}, {}, "bottlesFlatpak"},
      {"PlayOnLinux", {"pol"}, {"wine"}, "pol"},
      {"CrossOver", {"cx"}, {}, "cx"},
      {"the first of two", {"cx", "bottles"}, {}, "bottles"},
      {"~/.wine before every manager", {"wine", "steam"}, {}, "wine"},
      {"none passes: the first with the value", {}, {"pol", "cx"}, "pol"},
      {"no value anywhere: ~/.wine", {}, {}, "wine"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrefixHome home;
    for (const std::string& name : c.installed) home.Install(name);
    for (const std::string& name : c.valueOnly) home.SetRegistry(name, "C:\\Elsewhere");

    PrefixInUse inUse = ChoosePrefixInUse(home.Search(), CheckRegistryFolder);
    EXPECT_EQ(inUse.prefix.path, home[c.chosen]);
    const bool found = !c.installed.empty();
    EXPECT_EQ(ReadRegistryPath(*inUse.registry), found                 ? "C:\\Games\\FSX"
                                                 : c.valueOnly.empty() ? ""
                                                                       : "C:\\Elsewhere");
  }
}

TEST(WinePrefixSearch, KeepsWinePrefixAndReadsEachRegistryOnce) {
  PrefixHome home;
  home.Install("bottles");
  PrefixSearch search = home.Search();
  search.winePrefix = home["pol"];
  EXPECT_EQ(ChoosePrefixInUse(search, CheckRegistryFolder).prefix.path, home["pol"]);

  // Start-up asks the chosen registry again; the file is not read a second time.
  PrefixInUse inUse = ChoosePrefixInUse(home.Search(), CheckRegistryFolder);
  stdfs::remove(home["bottles"] + "/system.reg");
  EXPECT_EQ(ReadRegistryPath(*inUse.registry), "C:\\Games\\FSX");
}

// Where no manager's prefix holds the simulator, start-up falls back to
// WINEPREFIX, else ~/.wine, as the environment it read names them; the file
// layer's drives and the registry are that prefix's.
TEST(WinePrefixSearch, FallsBackToThePrefixTheEnvironmentNames) {
  test::TempDir tmp;
  test::FakePrefix(tmp.Path() / "prefix", test::Arch::kWin32)
      .SetupPath("C:\\A")
      .DriveC("FSX/TERRAIN.CFG");
  test::FakePrefix(tmp.Path() / "home/.wine", test::Arch::kWin32)
      .SetupPath("C:\\B")
      .DriveC("HOME.TXT");
  const struct {
    const char* winePrefix;
    const char* home;
    std::string prefix;
    std::string registryFolder;
    std::string file;  // one file on drive C:
  } cases[] = {
      {"prefix", "home", tmp.Str() + "/prefix", "C:\\A", "C:\\FSX\\TERRAIN.CFG"},
      {nullptr, "home", tmp.Str() + "/home/.wine", "C:\\B", "C:\\home.txt"},
      {nullptr, nullptr, "", "", ""},
  };
  test::ScopedEnv data("XDG_DATA_HOME", nullptr), config("XDG_CONFIG_HOME", nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    test::ScopedEnv prefix("WINEPREFIX",
                           c.winePrefix ? (tmp.Path() / c.winePrefix).c_str() : nullptr);
    test::ScopedEnv home("HOME", c.home ? (tmp.Path() / c.home).c_str() : nullptr);

    PrefixInUse inUse =
        ChoosePrefixInUse(PrefixSearch::From(Environment::OfThisProcess()), CheckRegistryFolder);
    EXPECT_EQ(inUse.prefix.path, c.prefix);
    EXPECT_EQ(ReadRegistryPath(*inUse.registry), c.registryFolder);
    PosixFileSystem files(PosixFileSystem::Options{inUse.prefix.path, ""});
    if (!c.file.empty()) {
      EXPECT_EQ(files.Kind(c.file), PathKind::kFile);
    }
    EXPECT_EQ(files.Kind("C:\\"), c.prefix.empty() ? PathKind::kMissing : PathKind::kFolder);
  }
}

// A registry as Wine itself writes it: the value added with Wine's own reg
// command into a throwaway Bottles-style prefix, saved by wineserver.
TEST(WinePrefixSearch, ReadsARegistryWineWrote) {
  const char* wine = "/usr/lib/wine/wine64";
  if (::access(wine, X_OK) != 0) GTEST_SKIP() << "no " << wine;
  PrefixHome home;
  const std::string bottle = home["bottles"];
  stdfs::remove_all(bottle);
  stdfs::create_directories(bottle + "/drive_c/Games/FSX");
  std::ofstream(bottle + "/drive_c/Games/FSX/TERRAIN.CFG");
  std::ofstream(bottle + "/bottle.yml") << "Name: Flight\nRunner: sys-wine\n";

  const std::string env =
      "WINEPREFIX='" + bottle + "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
  const std::string reg = env + wine +
                          " reg add 'HKLM\\Software\\Microsoft\\Microsoft Games\\Flight "
                          "Simulator\\10.0' /v SetupPath /d 'C:\\Games\\FSX\\' /reg:32 /f";
  ASSERT_EQ(std::system((reg + " >/dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system((env + "/usr/lib/wine/wineserver -w").c_str()), 0);

  PrefixInUse inUse = ChoosePrefixInUse(home.Search(), CheckRegistryFolder);
  EXPECT_EQ(inUse.prefix.path, bottle);
  EXPECT_EQ(ReadRegistryPath(*inUse.registry), "C:\\Games\\FSX");
}

}  // namespace
}  // namespace svx
