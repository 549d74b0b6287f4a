#include "platform/posix/PosixProcessLauncher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/wine/WinePrograms.h"
#include "support/FakePrefix.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace svx {
namespace {

using test::TempDir;

// A folder layout for the launcher: the tool's own folder, the working
// directory, one system folder and two search-path folders, and a place where
// started programs leave what they saw.
class ProcessLauncherTest : public ::testing::Test {
 protected:
  ProcessLauncherTest() {
    for (const char* f : {"own", "cwd", "sys", "path1", "path2", "out", "home"}) tmp.MakeDir(f);
  }

  // The search of a user whose home is home/ and whose PATH is the two
  // search-path folders.
  PrefixSearch Search() const {
    PrefixSearch search;
    search.home = Dir("home");
    search.dataHome = Dir("home/.local/share");
    search.configHome = Dir("home/.config");
    search.path = Dir("path1") + ":" + Dir("path2");
    search.crossOverFolders = {Dir("cxoffice")};
    return search;
  }

  // Windows programs run by the Wine subsystem with that search, or with
  // `search`, and ~/.wine as the prefix in use.
  PosixProcessLauncher::Options Options(const std::optional<PrefixSearch>& search = {}) {
    PosixProcessLauncher::Options o;
    o.ownFolder = Dir("own");
    o.currentFolder = Dir("cwd");
    o.systemFolders = std::vector<std::string>{Dir("sys")};
    o.searchPath = Dir("path1") + ":" + Dir("path2");
    wines_.push_back(std::make_unique<WinePrograms>(search.value_or(Search()), Dir("home/.wine")));
    o.windowsPrograms = wines_.back().get();
    return o;
  }
  std::string Dir(const std::string& name) const { return (tmp.Path() / name).string(); }
  static std::string WindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }

  // A program that reports which copy ran, its process id, the prefix it was
  // given and its arguments.
  void Script(const std::string& relative, const std::string& tag, mode_t mode = 0755) {
    const std::string out = Dir("out");
    tmp.Write(relative, "#!/bin/sh\nprintf '%s\\n' \"" + tag +
                            "\" \"$$\" \"$WINEPREFIX\" \"$@\" > " + out + "/ran.tmp\n/bin/mv " +
                            out + "/ran.tmp " + out + "/ran\n");
    chmod((tmp.Path() / relative).c_str(), mode);
  }

  // A prefix as Wine lays one out, drive C: and Z: (the root) linked.
  void Prefix(const std::string& relative) {
    test::FakePrefix(tmp.Path() / relative).Drive('z', "/");
    tmp.MakeDir(relative + "/drive_c/FSX");
  }

  // What the started program wrote, once it has written it.
  std::vector<std::string> WaitForRun() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!tmp.Has("out/ran") && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<std::string> lines;
    std::string text = tmp.Read("out/ran"), line;
    for (char c : text) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }

  // Starts the patch as the tool does; the tag of the copy that ran.
  std::string WhichCopyRan() {
    EXPECT_EQ(PosixProcessLauncher(Options()).StartDetached("SvxKmV11.exe"), std::nullopt);
    const std::vector<std::string> lines = WaitForRun();
    return lines.empty() ? std::string() : lines[0];
  }

  TempDir tmp;
  std::vector<std::unique_ptr<WinePrograms>> wines_;
};

TEST_F(ProcessLauncherTest, SearchesOwnFolderThenWorkingDirectoryThenSystemThenPath) {
  const struct {
    std::vector<std::string> holders;
    std::string expected;
  } cases[] = {
      {{"own", "cwd", "sys", "path1"}, "own"},
      {{"cwd", "sys", "path1"}, "cwd"},
      {{"sys", "path1"}, "sys"},
      {{"path2", "path1"}, "path1"},
      {{"path2"}, "path2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    for (const char* f : {"own", "cwd", "sys", "path1", "path2"}) {
      std::filesystem::remove(tmp.Path() / f / "SvxKmV11.exe");
    }
    std::filesystem::remove(tmp.Path() / "out" / "ran");
    for (const std::string& h : c.holders) Script(h + "/SvxKmV11.exe", h);

    EXPECT_EQ(WhichCopyRan(), c.expected);
  }
}

TEST_F(ProcessLauncherTest, MatchesTheNameInAnyLetterCaseAndSkipsFolders) {
  tmp.MakeDir("own/SvxKmV11.exe");
  Script("cwd/svxkmv11.EXE", "cwd");
  PosixProcessLauncher launcher(Options());
  EXPECT_EQ(launcher.Resolve("SvxKmV11.exe"), Dir("cwd") + "/svxkmv11.EXE");
  EXPECT_EQ(WhichCopyRan(), "cwd");
}

// Among case variants of the patch file the launch must start the one the
// unlock wrote: the file layer's choice, not the first the folder lists.
TEST_F(ProcessLauncherTest, PicksAmongCaseVariantsAsTheFileLayerDoes) {
  const struct {
    std::vector<std::string> stored;
    std::string chosen;
  } cases[] = {
      {{"svxkmv11.exe", "SVXKMV11.EXE", "SvxkmV11.exe", "svxKMV11.EXE"}, "SVXKMV11.EXE"},
      {{"svxkmv11.exe", "SVXKMV11.EXE", "SvxKmV11.exe"}, "SvxKmV11.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    std::filesystem::remove_all(tmp.Path() / "cwd");
    for (const std::string& name : c.stored) tmp.Write("cwd/" + name, name);
    PosixFileSystem files(PosixFileSystem::Options{"", Dir("cwd")});
    EXPECT_EQ(files.ReadFile("SvxKmV11.exe", 100), c.chosen);
    EXPECT_EQ(PosixProcessLauncher(Options()).Resolve("SvxKmV11.exe"), Dir("cwd") + "/" + c.chosen);
  }
}

TEST_F(ProcessLauncherTest, ReportsWhyAProgramDidNotStart) {
  tmp.Write("cwd/Plain.exe", "not a program");
  chmod((tmp.Path() / "cwd/Plain.exe").c_str(), 0644);
  tmp.Write("cwd/Windows.exe", "MZ\x90");

  PosixProcessLauncher launcher(Options());
  EXPECT_EQ(launcher.StartDetached("SvxKmV11.exe"), "No such file or directory");
  EXPECT_EQ(launcher.StartDetached(""), "No such file or directory");
  // The exec itself fails in the child; its error has to come back.
  EXPECT_EQ(launcher.StartDetached("Plain.exe"), "Permission denied");
  // Without Wine, the text must not read as if the patch were missing.
  EXPECT_EQ(launcher.StartDetached("Windows.exe"),
            "Wine is needed to start Windows.exe, and no Wine was found.\n\nInstall the wine "
            "package (sudo apt install wine), or set WINE to the Wine program to use, then launch "
            "the patch again.");
  PrefixSearch search = Search();
  search.wine = Dir("nowhere/wine");
  EXPECT_EQ(PosixProcessLauncher(Options(search)).StartDetached("Windows.exe"),
            "Wine is needed to start Windows.exe, but WINE names \"" + Dir("nowhere/wine") +
                "\", which is not a program that can be run.\n\nSet WINE to the Wine program to "
                "use, or unset it to use the Wine of the wine package.");
}

TEST_F(ProcessLauncherTest, StartsAWindowsProgramThroughWineOnThePath) {
  tmp.Write("own/SvxKmV11.exe", std::string("MZ\x90\0\x03", 5));
  Script("path2/wine", "wine");
  PosixProcessLauncher launcher(Options());

  EXPECT_EQ(launcher.StartDetached("SvxKmV11.exe"), std::nullopt);

  auto lines = WaitForRun();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "wine");
  EXPECT_EQ(lines[2], Dir("home/.wine"));
  EXPECT_EQ(lines[3], Dir("own") + "/SvxKmV11.exe");

  // With no wine on the path, the loader a package keeps outside it (Debian's
  // wine64 alone installs only /usr/lib/wine/wine64).
  Script("lib/wine64", "packaged");
  std::filesystem::remove(tmp.Path() / "out/ran");
  PrefixSearch search = Search();
  search.path = Dir("path1");
  search.packagedWines = {Dir("lib/missing"), Dir("lib/wine64")};
  EXPECT_EQ(PosixProcessLauncher(Options(search)).StartDetached("SvxKmV11.exe"), std::nullopt);
  lines = WaitForRun();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "packaged");
}

// The patch must look for the simulator in the prefix that holds it.
TEST_F(ProcessLauncherTest, StartsAWindowsProgramInThePrefixOfTheSimulatorFolder) {
  tmp.Write("own/SvxKmV11.exe", "MZ");
  Script("bin/stand-in-wine", "wine");
  Prefix("home/.wine");
  Prefix("games/other");
  const struct {
    std::string folder;
    std::string prefix;
  } cases[] = {
      {"C:\\FSX", Dir("home/.wine")},
      {Dir("games/other/drive_c/FSX"), Dir("games/other")},
      {"Z:" + WindowsPath(Dir("games/other/drive_c/fsx")), Dir("games/other")},
      // Matched without regard to case, as the pass matched it.
      {"z:" + WindowsPath(Dir("GAMES/Other/DRIVE_C/FSX")), Dir("games/other")},
      {Dir("Games/OTHER/drive_c/fsx"), Dir("games/other")},
      {Dir("games"), Dir("home/.wine")},
      {"", Dir("home/.wine")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    std::filesystem::remove(tmp.Path() / "out/ran");
    PrefixSearch search = Search();
    search.wine = Dir("bin/stand-in-wine");
    ASSERT_EQ(PosixProcessLauncher(Options(search)).StartDetachedFor("SvxKmV11.exe", c.folder),
              std::nullopt);
    std::vector<std::string> lines = WaitForRun();
    ASSERT_GE(lines.size(), 2u);
    lines.erase(lines.begin() + 1);  // the process id
    EXPECT_EQ(lines, (std::vector<std::string>{"wine", c.prefix, Dir("own") + "/SvxKmV11.exe"}));
  }
}

// Another Wine version would "update" the user's prefix; the patch runs with
// the one the prefix's manager runs it with.
TEST_F(ProcessLauncherTest, RunsAWindowsProgramWithTheWineOfItsPrefixManager) {
  tmp.Write("own/SvxKmV11.exe", "MZ");
  Script("path2/wine", "wine on the path");
  Prefix("home/.local/share/Steam/steamapps/compatdata/7/pfx");
  tmp.Write("home/.local/share/Steam/steamapps/compatdata/7/config_info",
            "7.0-6\n" + Dir("proton") + "/files/share/fonts/\n" + Dir("proton") + "/files/lib/\n");
  Script("proton/files/bin/wine", "proton");
  Prefix("games/lutris");
  tmp.Write("home/.config/lutris/games/sim-1.yml",
            "game:\n  prefix: " + Dir("games/lutris") + "\nwine:\n  version: lutris-7.2\n");
  Script("home/.local/share/lutris/runners/wine/lutris-7.2/bin/wine", "lutris");
  Prefix("home/.local/share/bottles/bottles/B");
  tmp.Write("home/.local/share/bottles/bottles/B/bottle.yml", "Name: B\nRunner: caffe-7.20\n");
  Script("home/.local/share/bottles/runners/caffe-7.20/bin/wine", "bottles");
  Prefix("home/.local/share/bottles/bottles/Gone");
  tmp.Write("home/.local/share/bottles/bottles/Gone/bottle.yml", "Runner: removed-1.0\n");
  Prefix("home/.PlayOnLinux/wineprefix/P");
  tmp.Write("home/.PlayOnLinux/wineprefix/P/playonlinux.cfg", "ARCH=amd64\nVERSION=4.3.4\n");
  Script("home/.PlayOnLinux/wine/linux-amd64/4.3.4/bin/wine", "playonlinux");
  Prefix("home/.cxoffice/C");
  Script("cxoffice/bin/wine", "crossover");
  const std::string patch = Dir("own") + "/SvxKmV11.exe";
  const struct {
    std::string prefix;
    std::vector<std::string> ran;  // the Wine that ran, then its arguments
    std::string wine = {};         // WINE
  } cases[] = {
      {"home/.local/share/Steam/steamapps/compatdata/7/pfx", {"proton", patch}},
      {"games/lutris", {"lutris", patch}},
      {"home/.local/share/bottles/bottles/B", {"bottles", patch}},
      {"home/.PlayOnLinux/wineprefix/P", {"playonlinux", patch}},
      {"home/.cxoffice/C", {"crossover", "--bottle", "C", patch}},
      {"home/.local/share/bottles/bottles/B", {"proton", patch}, Dir("proton/files/bin/wine")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    std::filesystem::remove(tmp.Path() / "out/ran");
    PrefixSearch search = Search();
    search.wine = c.wine;
    ASSERT_EQ(PosixProcessLauncher(Options(search))
                  .StartDetachedFor("SvxKmV11.exe", Dir(c.prefix) + "/drive_c/FSX"),
              std::nullopt);
    std::vector<std::string> lines = WaitForRun();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], Dir(c.prefix));
    lines.erase(lines.begin() + 1, lines.begin() + 3);
    EXPECT_EQ(lines, c.ran);
  }

  // The manager's Wine is gone: no other Wine is started in its place.
  std::filesystem::remove(tmp.Path() / "out/ran");
  const std::optional<std::string> refused = PosixProcessLauncher(Options()).StartDetachedFor(
      "SvxKmV11.exe", Dir("home/.local/share/bottles/bottles/Gone/drive_c/FSX"));
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->starts_with("SvxKmV11.exe was not started: Bottles runs the Wine prefix " +
                                   Dir("home/.local/share/bottles/bottles/Gone") + " with " +
                                   Dir("home/.local/share/bottles/runners/removed-1.0") +
                                   ", which is not installed."))
      << *refused;
  EXPECT_FALSE(tmp.Has("out/ran"));
}

// A way of starting a Windows program is a value: the launcher runs what it
// names, with its arguments before the program's path and its changes to the
// environment the program inherits. A stale WINEPREFIX never reaches Wine.
TEST_F(ProcessLauncherTest, StartsTheCommandWindowsProgramsGiveWithItsEnvironment) {
  struct Programs : WindowsPrograms {
    std::optional<Command> command;
    std::string PrefixFor(const std::string&) const override { return {}; }
    std::vector<std::string> SystemFolders(const std::string&) const override { return {}; }
    Start CommandFor(const std::string& path, const std::string& commandLine,
                     const std::string&) const override {
      if (!command) return {std::nullopt, "nothing runs " + commandLine};
      Command c = *command;
      c.arguments.push_back(path);
      return {c, {}};
    }
  };
  tmp.Write("own/SvxKmV11.exe", "MZ");
  Script("bin/launcher", "launcher");
  const std::string patch = Dir("own") + "/SvxKmV11.exe";
  const test::ScopedEnv stale("WINEPREFIX", "/stale/prefix");
  const struct {
    std::optional<Command> command;
    std::vector<std::string> ran;  // what ran, the WINEPREFIX it saw, its arguments
  } cases[] = {
      {Command{Dir("bin/launcher"), {"run"}, {{"WINEPREFIX", "/p"}}},
       {"launcher", "/p", "run", patch}},
      {Command{Dir("bin/launcher"), {}, {{"WINEPREFIX", std::nullopt}}}, {"launcher", "", patch}},
      {Command{Dir("bin/launcher"), {}, {}}, {"launcher", "/stale/prefix", patch}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(tmp.Path() / "out/ran");
    Programs programs;
    programs.command = c.command;
    PosixProcessLauncher::Options options = Options();
    options.windowsPrograms = &programs;
    ASSERT_EQ(PosixProcessLauncher(options).StartDetached("SvxKmV11.exe"), std::nullopt);
    std::vector<std::string> lines = WaitForRun();
    ASSERT_GE(lines.size(), 2u);
    lines.erase(lines.begin() + 1);  // the process id
    EXPECT_EQ(lines, c.ran);
  }
  Programs none;
  PosixProcessLauncher::Options options = Options();
  options.windowsPrograms = &none;
  EXPECT_EQ(PosixProcessLauncher(options).StartDetached("SvxKmV11.exe"),
            "nothing runs SvxKmV11.exe");

  // Without a prefix (no HOME, no WINEPREFIX) Wine must not take the stale one.
  std::filesystem::remove(tmp.Path() / "out/ran");
  PrefixSearch search;
  search.wine = Dir("bin/launcher");
  const WinePrograms wine(search, "");
  options.windowsPrograms = &wine;
  ASSERT_EQ(PosixProcessLauncher(options).StartDetached("SvxKmV11.exe"), std::nullopt);
  std::vector<std::string> lines = WaitForRun();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "");
}

TEST_F(ProcessLauncherTest, LeavesNoChildBehind) {
  Script("own/SvxKmV11.exe", "own");
  PosixProcessLauncher launcher(Options());
  ASSERT_EQ(launcher.StartDetached("SvxKmV11.exe"), std::nullopt);
  auto lines = WaitForRun();
  ASSERT_GE(lines.size(), 2u);
  const pid_t pid = static_cast<pid_t>(std::stol(lines[1]));

  // The program is not the tool's child, so it can never become the tool's
  // zombie, and the intermediate process has been reaped already.
  int status;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_LE(waitpid(-1, &status, WNOHANG), 0);
}

}  // namespace
}  // namespace svx
