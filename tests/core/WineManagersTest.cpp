// Homes laid out as the prefix managers lay them out (their YAML as PyYAML
// dumps it, Steam's KeyValues tab-indented as Steam writes them, Proton's
// config_info line by line), each with the simulator in one prefix: which
// prefix start-up takes, and what the launch would start the patch with.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "install/SimulatorChecks.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/wine/PrefixSearch.h"
#include "platform/posix/wine/WinePrograms.h"
#include "support/FakePrefix.h"
#include "support/TempDir.h"

namespace svx {
namespace {

using test::Block;
using test::KeyValuesText;
using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

constexpr const char* kPatch = "P";  // in an expected command: the patch's path

enum class Build {
  kScript,  // the proton script, files/ with lib64/ (Proton 9.0)
  kWine10,  // files/bin/wine, Debian's multiarch lib/ folders (Proton 10 on)
  kDist,    // the script, dist/ (Proton 8.0 and before)
};

class Home {
 public:
  Home() {
    dir_.MakeDir("bin");
    dir_.MakeDir("home");
  }

  // A path below the test's folder; "~/..." below the home.
  std::string operator()(const std::string& relative) const {
    return relative.rfind("~", 0) == 0 ? dir_.Str() + "/home" + relative.substr(1)
                                       : dir_.Str() + "/" + relative;
  }
  void Write(const std::string& path, const std::string& text) const {
    test::WriteFile((*this)(path), text);
  }
  void Program(const std::string& path) const {
    Write(path, "#!/bin/sh\n");
    chmod((*this)(path).c_str(), 0755);
  }
  // The simulator in a prefix, where its registry says.
  void Simulator(const std::string& prefix) const {
    test::FakePrefix((*this)(prefix)).SetupPath("C:\\FSX\\").DriveC("FSX/TERRAIN.CFG");
  }

  std::string Proton(const std::string& folder, Build build = Build::kScript,
                     const std::string& version = "9.0-203") const {
    const std::string dist = folder + (build == Build::kDist ? "/dist" : "/files");
    if (build == Build::kScript || build == Build::kDist) {
      Write(folder + "/proton", "#!/bin/sh\nCURRENT_PREFIX_VERSION=\"" + version + "\"\n");
      chmod((*this)(folder + "/proton").c_str(), 0755);
    }
    Program(dist + "/bin/wine");
    for (const char* lib :
         build == Build::kWine10
             ? std::vector<const char*>{"lib/x86_64-linux-gnu", "lib/vkd3d", "lib/wine"}
             : std::vector<const char*>{"lib64/wine", "lib/wine"}) {
      std::filesystem::create_directories((*this)(dist + "/" + lib));
    }
    std::filesystem::create_directories((*this)(dist + "/share/fonts"));
    return (*this)(folder);
  }

  // compatdata/<app>/ of a library, with the simulator in pfx/ and, given a
  // Proton, the config_info it leaves (9.0's fifteen lines; the Steam folder
  // is the fourth or fifth line, after lib64/ where there is one).
  std::string SteamPrefix(const std::string& steamapps, const std::string& proton = {},
                          const std::string& root = "~/.local/share/Steam",
                          const std::string& app = "123450") const {
    const std::string compat = steamapps + "/compatdata/" + app;
    Simulator(compat + "/pfx");
    if (!proton.empty()) {
      const std::string dist =
          proton + (std::filesystem::is_directory(proton + "/dist") ? "/dist/" : "/files/");
      Write(compat + "/config_info",
            "9.0-203\n" + dist + "share/fonts/\n" + dist + "lib/\n" + dist + "lib64/\n" + root +
                "\n1719999999.0\n1719999999.0\n1719999999.0\n" + dist +
                "share/default_pfx/\n1718000000.0\nFalse\nTrue\nd3dcompiler_*.dll,ntdll.dll\n"
                "True\nFalse");
      Write(compat + "/version", "9.0-203\n");
    }
    return (*this)(compat);
  }

  // Steam's config.vdf with the tools it maps the app and its default to.
  void ToolMapping(const std::string& root, const std::string& app, const std::string& tool,
                   const std::string& fallback = "proton_9") const {
    auto entry = [](const std::string& id, const std::string& name) {
      return Block(id, {{"name", name}, {"config", ""}, {"priority", "250"}});
    };
    std::vector<test::KeyValue> mapping{entry("0", fallback)};
    if (!tool.empty()) mapping.push_back(entry(app, tool));
    Write(root + "/config/config.vdf",
          KeyValuesText(Block(
              "InstallConfigStore",
              {Block("Software",
                     {Block("Valve", {Block("Steam", {{"AutoUpdateWindowEnabled", "0"},
                                                      Block("CompatToolMapping", mapping)})})})})));
  }

  // A GE-Proton in a tool folder, registered as Steam's custom tools are.
  std::string CustomTool(const std::string& folder, const std::string& name) const {
    Write(folder + "/" + name + "/compatibilitytool.vdf",
          "\"compatibilitytools\"\n{\n  \"compat_tools\"\n  {\n    \"" + name +
              "\" // Internal name of this tool\n    {\n      \"install_path\" \".\"\n"
              "      \"display_name\" \"" +
              name +
              "\"\n      \"from_oslist\"  \"windows\"\n"
              "      \"to_oslist\"    \"linux\"\n    }\n  }\n}\n");
    Write(folder + "/" + name + "/toolmanifest.vdf",
          "\"manifest\"\n{\n  \"version\" \"2\"\n  \"commandline\" \"/proton %verb%\"\n}\n");
    return Proton(folder + "/" + name, Build::kScript, name);
  }

  // A Lutris game file as its installer writes it, with these lines in its
  // top-level wine: block.
  void LutrisGame(const std::string& config, const std::string& prefix,
                  const std::string& wine) const {
    Write(config + "/games/flight-sim-1761234567.yml",
          "game:\n  arch: win64\n  exe: " + (*this)(prefix) +
              "/drive_c/Program Files (x86)/Some Publisher/Some\n    Flight Simulator/sim.exe\n"
              "  prefix: " +
              (*this)(prefix) +
              "\ngame_slug: flight-sim\nname: Flight Sim\nrequires: null\nscript:\n  files:\n"
              "  - setup: N/A:Select the setup file\n  game:\n    exe: $GAMEDIR/drive_c/sim.exe\n"
              "    prefix: $GAMEDIR\n  wine:\n    version: ge-proton\nslug: flight-sim\n"
              "system: {}\nvariables: {}\nversion: Setup\n" +
              (wine.empty() ? "" : "wine:\n" + wine) + "year: 2006\n");
    Simulator(prefix);
  }

  // A bottle.yml as Bottles dumps it, but for the many keys no rule reads.
  void Bottle(const std::string& folder, const std::string& runner,
              const std::string& arch = "win64", const std::string& path = "Flight-Sim") const {
    Write(folder + "/bottle.yml",
          "Arch: " + arch +
              "\nCompatData: ''\nCustom_Path: " + (path[0] == '/' ? "true" : "false") +
              "\nDLL_Overrides: {}\nEnvironment: Gaming\nInstalled_Dependencies:\n- d3dx9\n"
              "Name: Flight Sim\nParameters:\n    dxvk: true\n    use_steam_runtime: false\n"
              "Path: " +
              path + "\nRunner: " + runner + "\nRunnerPath: ''\nWindows: win10\n");
    Simulator(folder);
  }

  PrefixSearch Search() const {
    PrefixSearch s;
    s.home = (*this)("~");
    s.dataHome = (*this)("~/.local/share");
    s.configHome = (*this)("~/.config");
    s.path = (*this)("bin");
    s.libraryPath = "/old/lib";
    s.systemRoot = (*this)("sys");
    s.crossOverFolders = {(*this)("cxoffice")};
    return s;
  }

 private:
  test::TempDir dir_;
};

// What a case expects: the prefix chosen, and the command that starts the
// patch (program, then arguments) with variables it sets (no value: it
// removes them), or, where the manager's choice is gone, the reason given.
struct Expected {
  std::string prefix;
  std::vector<std::string> command;
  Env environment = {};
  std::string refusal = {};
  size_t candidates = 0;   // how many prefixes the search lists, where it matters
  bool onlyThese = false;  // the command changes no other variable
};

using Layout = std::function<Expected(Home&, PrefixSearch&)>;

void Check(const Layout& layout) {
  Home h;
  PrefixSearch search = h.Search();
  const Expected want = layout(h, search);
  if (want.candidates) {
    EXPECT_EQ(FindWinePrefixes(search).size(), want.candidates);
  }
  const PrefixInUse inUse = ChoosePrefixInUse(search, CheckRegistryFolder);
  EXPECT_EQ(inUse.prefix.path, want.prefix);

  const WinePrograms programs(search, inUse.prefix.path);
  const std::string patch = h("work/SvxKmV11.exe");
  const WindowsPrograms::Start start =
      programs.CommandFor(patch, "SvxKmV11.exe", programs.PrefixFor({}));
  if (!want.refusal.empty()) {
    EXPECT_FALSE(start.command);
    EXPECT_NE(start.failure.find(want.refusal), std::string::npos) << start.failure;
    EXPECT_EQ(start.failure.rfind("SvxKmV11.exe was not started: ", 0), 0u) << start.failure;
    return;
  }
  ASSERT_TRUE(start.command) << start.failure;
  std::vector<std::string> ran{start.command->program};
  ran.insert(ran.end(), start.command->arguments.begin(), start.command->arguments.end());
  std::vector<std::string> expected;
  for (const std::string& part : want.command) expected.push_back(part == kPatch ? patch : part);
  EXPECT_EQ(ran, expected);
  const auto& env = start.command->environment;
  if (want.onlyThese) {
    EXPECT_EQ(env.size(), want.environment.size());
  }
  for (const auto& [name, value] : want.environment) {
    EXPECT_EQ(std::count_if(env.begin(), env.end(), [&](const auto& e) { return e.first == name; }),
              1)
        << name;
    const auto set =
        std::find_if(env.begin(), env.end(), [&](const auto& e) { return e.first == name; });
    if (set != env.end()) {
      EXPECT_EQ(set->second, value) << name;
    }
  }
}

struct Case {
  const char* what;
  Layout layout;
};

void CheckAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Check(c.layout);
  }
}

// Steam's way of starting its Proton's script, for the prefix in `compat`.
Expected ProtonScript(const std::string& compat, const std::string& proton,
                      const std::string& root) {
  return {compat + "/pfx",
          {proton + "/proton", "waitforexitandrun", kPatch},
          {{"STEAM_COMPAT_DATA_PATH", compat},
           {"STEAM_COMPAT_CLIENT_INSTALL_PATH", root},
           {"WINEPREFIX", compat + "/pfx"},
           {"WINEARCH", std::nullopt}}};
}

std::string Libraries(const std::vector<std::pair<std::string, std::string>>& numbered) {
  std::vector<test::KeyValue> blocks;
  for (const auto& [number, path] : numbered) {
    blocks.push_back(Block(number, {{"path", path},
                                    {"label", ""},
                                    {"contentid", "1234567890123456789"},
                                    {"totalsize", "0"},
                                    Block("apps", {{"123450", "12884901888"}})}));
  }
  return KeyValuesText(Block("libraryfolders", blocks));
}

const std::string kSteam = "~/.local/share/Steam";
const std::string kApps = kSteam + "/steamapps";
const std::string kFlatpak = "~/.var/app/com.valvesoftware.Steam/.local/share/Steam";

TEST(ManagerLayouts, SteamPrefixesAndTheirProton) {
  CheckAll({
      {"Proton 9.0's script, no umu-run",
       [](Home& h, PrefixSearch&) {
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix(kApps, proton, h(kSteam)), proton, h(kSteam));
       }},
      {"umu-run on the search path, then in Lutris's runtime: the compatdata folder as WINEPREFIX",
       [](Home& h, PrefixSearch&) {
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         const std::string compat = h.SteamPrefix(kApps, proton, h(kSteam));
         h.Program("~/.local/share/lutris/runtime/umu/umu-run");
         return Expected{compat + "/pfx",
                         {h("~/.local/share/lutris/runtime/umu/umu-run"), kPatch},
                         {{"WINEPREFIX", compat},
                          {"PROTONPATH", proton},
                          {"GAMEID", "umu-default"},
                          {"PROTON_VERB", "waitforexitandrun"}}};
       }},
      {"umu-run on the search path first",
       [](Home& h, PrefixSearch&) {
         const std::string compat =
             h.SteamPrefix(kApps, h.Proton(kApps + "/common/Proton 9.0"), h(kSteam));
         h.Program("~/.local/share/lutris/runtime/umu/umu-run");
         h.Program("bin/umu-run");
         return Expected{compat + "/pfx", {h("bin/umu-run"), kPatch}, {{"WINEPREFIX", compat}}};
       }},
      {"no python3 for the script: Proton's Wine with the paths the script sets",
       [](Home& h, PrefixSearch&) {
         const std::string dist = h.Proton(kApps + "/common/Proton 9.0") + "/files";
         h.Write(kApps + "/common/Proton 9.0/proton", "#!/usr/bin/env python3\n");
         const std::string compat = h.SteamPrefix(kApps, ParentFolder(dist), h(kSteam));
         return Expected{compat + "/pfx",
                         {dist + "/bin/wine", kPatch},
                         {{"WINEPREFIX", compat + "/pfx"},
                          {"LD_LIBRARY_PATH", dist + "/lib64:" + dist + "/lib:/old/lib"},
                          {"ORIG_LD_LIBRARY_PATH", "/old/lib"},
                          {"WINEDLLPATH", dist + "/lib64/wine:" + dist + "/lib/wine"},
                          {"PATH", dist + "/bin:" + h("bin")},
                          {"WINELOADER", std::nullopt}}};
       }},
      {"no script, Proton 10's folders",
       [](Home& h, PrefixSearch&) {
         const std::string dist =
             h.Proton(kApps + "/common/Proton 10.0", Build::kWine10) + "/files";
         const std::string compat = h.SteamPrefix(kApps, ParentFolder(dist), h(kSteam));
         return Expected{compat + "/pfx",
                         {dist + "/bin/wine", kPatch},
                         {{"LD_LIBRARY_PATH",
                           dist + "/lib/x86_64-linux-gnu:" + dist + "/lib/i386-linux-gnu:/old/lib"},
                          {"WINEDLLPATH", dist + "/lib/vkd3d:" + dist + "/lib/wine"}}};
       }},
      {"Proton 8.0 (dist/) in a second library: the Steam folder is the root's",
       [](Home& h, PrefixSearch&) {
         const std::string library = "mnt/games/SteamLibrary";
         h.Write(kApps + "/libraryfolders.vdf", Libraries({{"0", h(kSteam)}, {"1", h(library)}}));
         const std::string proton =
             h.Proton(library + "/steamapps/common/Proton 8.0", Build::kDist);
         return ProtonScript(h.SteamPrefix(library + "/steamapps", proton, h(kSteam)), proton,
                             h(kSteam));
       }},
      {"a library whose folder's letter case changed, with SteamApps, listed in config/",
       [](Home& h, PrefixSearch&) {
         h.Write(kSteam + "/config/libraryfolders.vdf",
                 Libraries({{"0", h(kSteam)}, {"1", h("mnt/games/steamlibrary")}}));
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix("mnt/games/SteamLibrary/SteamApps", proton, h(kSteam)),
                             proton, h(kSteam));
       }},
      {"an old Steam folder with SteamApps",
       [](Home& h, PrefixSearch&) {
         const std::string proton = h.Proton(kSteam + "/SteamApps/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix(kSteam + "/SteamApps", proton, h(kSteam)), proton,
                             h(kSteam));
       }},
      {"no config_info: the app's tool in config.vdf, a custom one",
       [](Home& h, PrefixSearch&) {
         const std::string proton =
             h.CustomTool(kSteam + "/compatibilitytools.d", "GE-Proton10-30");
         h.ToolMapping(kSteam, "123450", "GE-Proton10-30");
         return ProtonScript(h.SteamPrefix(kApps), proton, h(kSteam));
       }},
      {"no config_info, no entry for the app: Steam's default, Valve's Proton 9.0",
       [](Home& h, PrefixSearch&) {
         h.ToolMapping(kSteam, "123450", "");
         h.Write(kApps + "/appmanifest_2805730.acf",
                 KeyValuesText(Block("AppState", {{"appid", "2805730"},
                                                  {"name", "Proton 9.0"},
                                                  {"installdir", "Proton 9.0 (Beta)"}})));
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0 (Beta)");
         return ProtonScript(h.SteamPrefix(kApps), proton, h(kSteam));
       }},
      {"config_info's Proton removed: the app's tool, Proton Experimental",
       [](Home& h, PrefixSearch&) {
         h.ToolMapping(kSteam, "123450", "proton_experimental");
         h.Write(kApps + "/appmanifest_1493710.acf",
                 KeyValuesText(Block("AppState", {{"installdir", "Proton - Experimental"}})));
         const std::string proton = h.Proton(kApps + "/common/Proton - Experimental");
         return ProtonScript(h.SteamPrefix(kApps, h(kApps + "/common/Proton 8.0"), h(kSteam)),
                             proton, h(kSteam));
       }},
      {"the same tool in STEAM_EXTRA_COMPAT_TOOLS_PATHS and in Steam's folder: Steam's",
       [](Home& h, PrefixSearch& s) {
         s.extraSteamTools = h("tools") + ":" + h("missing");
         h.CustomTool("tools", "GE-Proton10-30");
         const std::string proton =
             h.CustomTool(kSteam + "/compatibilitytools.d", "GE-Proton10-30");
         h.ToolMapping(kSteam, "123450", "GE-Proton10-30");
         return ProtonScript(h.SteamPrefix(kApps), proton, h(kSteam));
       }},
      {"no Proton recorded anywhere",
       [](Home& h, PrefixSearch&) {
         const std::string compat = h.SteamPrefix(kApps);
         return Expected{
             compat + "/pfx",
             {},
             {},
             "Steam has no record of the Proton that runs the Wine prefix " + compat + "/pfx"};
       }},
      {"config_info's Proton and the configured tool both gone",
       [](Home& h, PrefixSearch&) {
         h.ToolMapping(kSteam, "123450", "GE-Proton9-1");
         const std::string compat =
             h.SteamPrefix(kApps, h(kApps + "/common/Proton 8.0"), h(kSteam));
         return Expected{compat + "/pfx",
                         {},
                         {},
                         "Steam runs the Wine prefix " + compat + "/pfx with " +
                             h(kApps + "/common/Proton 8.0") +
                             ", else with GE-Proton9-1, none of which is installed"};
       }},
      {"a prefix newer than the Proton Steam would now take",
       [](Home& h, PrefixSearch&) {
         h.ToolMapping(kSteam, "123450", "proton_8");
         h.Write(kApps + "/appmanifest_2348590.acf",
                 KeyValuesText(Block("AppState", {{"installdir", "Proton 8.0"}})));
         h.Proton(kApps + "/common/Proton 8.0", Build::kScript, "8.0-103");
         const std::string compat =
             h.SteamPrefix(kApps, h(kApps + "/common/Proton 9.0"), h(kSteam));
         return Expected{compat + "/pfx",
                         {},
                         {},
                         "was last run by Proton 9.0-203, and the Proton Steam would start it "
                         "with now, " +
                             h(kApps + "/common/Proton 8.0") + " (8.0-103), is older"};
       }},
      {"Flatpak: its files name the sandbox's paths, and a native Steam has the same Proton",
       [](Home& h, PrefixSearch&) {
         h.Proton(kApps + "/common/Proton 9.0");
         const std::string proton = h.Proton(kFlatpak + "/steamapps/common/Proton 9.0");
         const std::string compat =
             h.SteamPrefix(kFlatpak + "/steamapps", h(kApps + "/common/Proton 9.0"), h(kSteam));
         return ProtonScript(compat, proton, h(kFlatpak));
       }},
      {"Flatpak alone, its list naming its own folder as the sandbox sees it",
       [](Home& h, PrefixSearch&) {
         h.Write(kFlatpak + "/steamapps/libraryfolders.vdf", Libraries({{"0", h(kSteam)}}));
         const std::string proton = h.Proton(kFlatpak + "/steamapps/common/Proton 9.0");
         const std::string compat =
             h.SteamPrefix(kFlatpak + "/steamapps", h(kApps + "/common/Proton 9.0"), h(kSteam));
         Expected e = ProtonScript(compat, proton, h(kFlatpak));
         e.candidates = 1;
         return e;
       }},
      {"Snap: host paths",
       [](Home& h, PrefixSearch&) {
         const std::string root = "~/snap/steam/common/.local/share/Steam";
         const std::string proton = h.Proton(root + "/steamapps/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix(root + "/steamapps", proton, h(root)), proton, h(root));
       }},
      {"Snap's hidden home folder",
       [](Home& h, PrefixSearch&) {
         const std::string root = "~/.snap/data/steam/common/.local/share/Steam";
         const std::string proton = h.Proton(root + "/steamapps/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix(root + "/steamapps", proton, h(root)), proton, h(root));
       }},
      {"STEAM_DIR, searched before the others",
       [](Home& h, PrefixSearch& s) {
         s.steamDir = h("opt/steamroot");
         h.Write("opt/steamroot/ubuntu12_32/steam", "");
         h.SteamPrefix(kApps, h.Proton(kApps + "/common/Proton 9.0"), h(kSteam));
         const std::string proton = h.Proton("opt/steamroot/steamapps/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix("opt/steamroot/steamapps", proton, s.steamDir), proton,
                             s.steamDir);
       }},
      {"XDG_DATA_HOME elsewhere, Steam where its launcher's link leads",
       [](Home& h, PrefixSearch& s) {
         s.dataHome = h("elsewhere");
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         return ProtonScript(h.SteamPrefix(kApps, proton, h(kSteam)), proton, h(kSteam));
       }},
      {"~/.wine a link to a Steam prefix: still that prefix's Proton",
       [](Home& h, PrefixSearch&) {
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         const std::string compat = h.SteamPrefix(kApps, proton, h(kSteam));
         std::filesystem::create_directory_symlink(compat + "/pfx", h("~/.wine"));
         Expected e = ProtonScript(compat, proton, h(kSteam));
         e.prefix = h("~/.wine");
         e.environment[2].second = e.prefix;  // WINEPREFIX
         return e;
       }},
      {"WINE set: that Wine, with WINEPREFIX only",
       [](Home& h, PrefixSearch& s) {
         s.wine = h("x/wine");
         h.Program("x/wine");
         const std::string compat =
             h.SteamPrefix(kApps, h.Proton(kApps + "/common/Proton 9.0"), h(kSteam));
         Expected e{compat + "/pfx", {h("x/wine"), kPatch}, {{"WINEPREFIX", compat + "/pfx"}}};
         e.onlyThese = true;
         return e;
       }},
  });
}

const std::string kLutris = "~/.config/lutris";
const std::string kGame = "~/Games/flight-sim";

// What Lutris passes umu-run for a prefix of its own.
Expected ThroughUmu(const Home& h, const std::string& umu, const std::string& proton) {
  return {h(kGame),
          {h(umu), kPatch},
          {{"WINEPREFIX", h(kGame)},
           {"PROTONPATH", proton},
           {"GAMEID", "umu-default"},
           {"PROTON_VERB", "waitforexitandrun"},
           {"WINEARCH", "win64"}}};
}

TEST(ManagerLayouts, LutrisGamesAndTheirWine) {
  CheckAll({
      {"no version anywhere: GE-Proton through umu-run, the one umu last ran the prefix with",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "");
         h.Program("bin/umu-run");
         const std::string ge = h.CustomTool(kSteam + "/compatibilitytools.d", "GE-Proton10-30");
         h.Write(kGame + "/config_info", "GE-Proton10-30\n" + ge + "/files/share/fonts/\n" + ge +
                                             "/files/lib/\n" + h(kSteam) + "\n1719999999.0\n");
         return ThroughUmu(h, "bin/umu-run", ge);
       }},
      {"ge-proton at both levels, no record in the prefix: umu's newest",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: ge-proton\n");
         h.Write(kLutris + "/runners/wine.yml", "system: {}\nwine:\n  version: ge-proton\n");
         h.Program("bin/umu-run");
         return ThroughUmu(h, "bin/umu-run", "GE-Proton");
       }},
      {"ge-proton in the game leaves it to the runner level's build",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: ge-proton\n");
         h.Write(kLutris + "/runners/wine.yml", "wine:\n  version: lutris-7.2-2-x86_64\n");
         const std::string wine = "~/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64/bin/wine";
         h.Program(wine);
         return Expected{
             h(kGame), {h(wine), kPatch}, {{"WINEARCH", "win64"}, {"WINEPREFIX", h(kGame)}}};
       }},
      {"lutris.conf's runner_dir",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: lutris-7.2-2-x86_64\n");
         h.Write(kLutris + "/lutris.conf", "[lutris]\nrunner_dir = " + h("mnt/r") + "\n\n");
         h.Program("mnt/r/wine/lutris-7.2-2-x86_64/bin/wine");
         return Expected{h(kGame), {h("mnt/r/wine/lutris-7.2-2-x86_64/bin/wine"), kPatch}};
       }},
      {"custom, its path set at the runner level",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: custom\n");
         h.Write(kLutris + "/runners/wine.yml",
                 "wine:\n  custom_wine_path: " + h("opt/wine-staging/bin/wine") +
                     "\n  version: custom\n");
         h.Program("opt/wine-staging/bin/wine");
         return Expected{h(kGame), {h("opt/wine-staging/bin/wine"), kPatch}};
       }},
      {"a GE-Proton in Steam's tool folder, through umu-run",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: GE-Proton9-20\n");
         const std::string ge = h.CustomTool(kSteam + "/compatibilitytools.d", "GE-Proton9-20");
         h.Program("bin/umu-run");
         return ThroughUmu(h, "bin/umu-run", ge);
       }},
      {"Valve's Proton in steamapps/common; umu-run in lutris.conf's umu_path first",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: Proton 9.0\n");
         const std::string proton = h.Proton(kApps + "/common/Proton 9.0");
         h.Write(kLutris + "/lutris.conf", "[lutris]\numu_path = " + h("opt/umu") + "\n\n");
         h.Program("opt/umu/umu-run");
         h.Program("bin/umu-run");
         return ThroughUmu(h, "opt/umu/umu-run", proton);
       }},
      {"ge-proton without umu-run",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: ge-proton\n");
         h.Program("bin/wine");
         return Expected{h(kGame),
                         {},
                         {},
                         "Lutris runs the Wine prefix " + h(kGame) +
                             " with GE-Proton through umu-run, which is not installed"};
       }},
      {"system: the Wine on the search path",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: system\n");
         h.Program("bin/wine");
         return Expected{h(kGame), {h("bin/wine"), kPatch}};
       }},
      {"a fixed Wine Lutris knows by name",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: winehq-staging\n");
         h.Program("sys/opt/wine-staging/bin/wine");
         return Expected{h(kGame), {h("sys/opt/wine-staging/bin/wine"), kPatch}};
       }},
      {"the game's build removed",
       [](Home& h, PrefixSearch&) {
         h.LutrisGame(kLutris, kGame, "  version: lutris-6.0\n");
         h.Program("bin/wine");
         return Expected{h(kGame),
                         {},
                         {},
                         "Lutris runs the Wine prefix " + h(kGame) + " with " +
                             h("~/.local/share/lutris/runners/wine/lutris-6.0") +
                             ", which is not installed"};
       }},
      {"the Flatpak's Lutris, with umu-run in its runtime",
       [](Home& h, PrefixSearch&) {
         const std::string flatpak = "~/.var/app/net.lutris.Lutris";
         h.LutrisGame(flatpak + "/config/lutris", kGame, "  version: ge-proton\n");
         h.Program(flatpak + "/data/lutris/runtime/umu/umu-run");
         return ThroughUmu(h, flatpak + "/data/lutris/runtime/umu/umu-run", "GE-Proton");
       }},
  });
}

const std::string kBottles = "~/.local/share/bottles";

// A runner in Bottles' own folder with the programs and libraries of a Wine
// build.
std::string Runner(const Home& h, const std::string& folder) {
  h.Program(folder + "/bin/wine");
  h.Program(folder + "/bin/wine64");
  for (const char* lib : {"lib", "lib64"}) {
    std::filesystem::create_directories(h(folder + "/" + lib));
  }
  return h(folder);
}

TEST(ManagerLayouts, BottlesAndTheirRunners) {
  CheckAll({
      {"a win64 bottle: the runner's wine64",
       [](Home& h, PrefixSearch&) {
         h.Bottle(kBottles + "/bottles/Flight-Sim", "soda-9.0-1");
         const std::string runner = Runner(h, kBottles + "/runners/soda-9.0-1");
         return Expected{h(kBottles + "/bottles/Flight-Sim"),
                         {runner + "/bin/wine64", kPatch},
                         {{"WINEPREFIX", h(kBottles + "/bottles/Flight-Sim")},
                          {"WINEARCH", "win64"},
                          {"LD_LIBRARY_PATH", "/old/lib:" + runner + "/lib:" + runner + "/lib64"}}};
       }},
      {"a win32 bottle: wine",
       [](Home& h, PrefixSearch&) {
         h.Bottle(kBottles + "/bottles/Flight-Sim", "soda-9.0-1", "win32");
         const std::string runner = Runner(h, kBottles + "/runners/soda-9.0-1");
         return Expected{
             h(kBottles + "/bottles/Flight-Sim"),
             {runner + "/bin/wine", kPatch},
             {{"WINEARCH", "win32"}, {"LD_LIBRARY_PATH", "/old/lib:" + runner + "/lib"}}};
       }},
      {"a bottle in a folder of its own: only placeholder.yml in bottles/",
       [](Home& h, PrefixSearch&) {
         h.Write(kBottles + "/bottles/Flight-Sim/placeholder.yml",
                 "Path: " + h("mnt/games/Bottles/Flight-Sim") + "\n");
         h.Bottle("mnt/games/Bottles/Flight-Sim", "soda-9.0-1", "win64",
                  h("mnt/games/Bottles/Flight-Sim"));
         const std::string runner = Runner(h, kBottles + "/runners/soda-9.0-1");
         return Expected{h("mnt/games/Bottles/Flight-Sim"), {runner + "/bin/wine64", kPatch}};
       }},
      {"a Proton runner from Steam's tool folder",
       [](Home& h, PrefixSearch&) {
         h.Bottle(kBottles + "/bottles/Flight-Sim", "GE-Proton10-30");
         const std::string dist =
             h.CustomTool(kSteam + "/compatibilitytools.d", "GE-Proton10-30") + "/files";
         return Expected{h(kBottles + "/bottles/Flight-Sim"),
                         {dist + "/bin/wine", kPatch},
                         {{"LD_LIBRARY_PATH", "/old/lib:" + dist + "/lib:" + dist + "/lib64"}}};
       }},
      {"the system's Wine, wine64 for win64",
       [](Home& h, PrefixSearch&) {
         h.Bottle(kBottles + "/bottles/Flight-Sim", "sys-wine-9.0");
         h.Program("bin/wine");
         h.Program("bin/wine64");
         return Expected{h(kBottles + "/bottles/Flight-Sim"),
                         {h("bin/wine64"), kPatch},
                         {{"WINEARCH", "win64"}}};
       }},
      {"the runner removed",
       [](Home& h, PrefixSearch&) {
         h.Bottle(kBottles + "/bottles/Flight-Sim", "caffe-7.20");
         h.Program("bin/wine");
         return Expected{h(kBottles + "/bottles/Flight-Sim"),
                         {},
                         {},
                         "Bottles runs the Wine prefix " + h(kBottles + "/bottles/Flight-Sim") +
                             " with " + h(kBottles + "/runners/caffe-7.20") +
                             ", which is not installed"};
       }},
      {"the Flatpak's Bottles, a placeholder, the Flatpak's runner",
       [](Home& h, PrefixSearch&) {
         const std::string base = "~/.var/app/com.usebottles.bottles/data/bottles";
         h.Write(base + "/bottles/Flight-Sim/placeholder.yml",
                 "Path: " + h("mnt/games/Bottles/Flight-Sim") + "\n");
         h.Bottle("mnt/games/Bottles/Flight-Sim", "soda-9.0-1", "win64",
                  h("mnt/games/Bottles/Flight-Sim"));
         const std::string runner = Runner(h, base + "/runners/soda-9.0-1");
         return Expected{h("mnt/games/Bottles/Flight-Sim"), {runner + "/bin/wine64", kPatch}};
       }},
  });
}

TEST(ManagerLayouts, PlayOnLinuxAndCrossOver) {
  const std::string pol = "~/.PlayOnLinux/wineprefix/Sim";
  CheckAll({
      {"PlayOnLinux's build, its libraries and programs first",
       [&](Home& h, PrefixSearch&) {
         h.Simulator(pol);
         h.Write(pol + "/playonlinux.cfg", "ARCH=x86\nVERSION=4.3.4\n");
         const std::string build = h("~/.PlayOnLinux/wine/linux-x86/4.3.4");
         h.Program("~/.PlayOnLinux/wine/linux-x86/4.3.4/bin/wine");
         return Expected{h(pol),
                         {build + "/bin/wine", kPatch},
                         {{"WINEPREFIX", h(pol)},
                          {"LD_LIBRARY_PATH", build + "/lib:" + build + "/lib64:/old/lib"},
                          {"PATH", build + "/bin:" + h("bin")}}};
       }},
      {"PlayOnLinux without ARCH: a 64-bit build",
       [&](Home& h, PrefixSearch&) {
         h.Simulator(pol);
         h.Write(pol + "/playonlinux.cfg", "VERSION=8.0-staging\n");
         h.Program("~/.PlayOnLinux/wine/linux-amd64/8.0-staging/bin/wine");
         return Expected{h(pol),
                         {h("~/.PlayOnLinux/wine/linux-amd64/8.0-staging/bin/wine"), kPatch}};
       }},
      {"PlayOnLinux's build not installed",
       [&](Home& h, PrefixSearch&) {
         h.Simulator(pol);
         h.Write(pol + "/playonlinux.cfg", "ARCH=amd64\nVERSION=4.3.4\n");
         h.Program("bin/wine");
         return Expected{h(pol),
                         {},
                         {},
                         "PlayOnLinux runs the Wine prefix " + h(pol) + " with " +
                             h("~/.PlayOnLinux/wine/linux-amd64/4.3.4") +
                             ", which is not installed"};
       }},
      {"CrossOver's bottle reached as ~/.wine: the bottle's own name",
       [](Home& h, PrefixSearch&) {
         h.Simulator("~/.cxoffice/FSX");
         h.Program("cxoffice/bin/wine");
         std::filesystem::create_directory_symlink(h("~/.cxoffice/FSX"), h("~/.wine"));
         return Expected{h("~/.wine"), {h("cxoffice/bin/wine"), "--bottle", "FSX", kPatch}};
       }},
      {"CrossOver's own Wine missing",
       [](Home& h, PrefixSearch&) {
         h.Simulator("~/.cxoffice/FSX");
         h.Program("bin/wine");
         return Expected{h("~/.cxoffice/FSX"),
                         {},
                         {},
                         "CrossOver runs the Wine prefix " + h("~/.cxoffice/FSX") + " with " +
                             h("cxoffice/bin/wine") + ", which is not installed"};
       }},
  });
}

}  // namespace
}  // namespace svx
