#include "platform/posix/PosixProcessLauncher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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
    for (const char* f : {"own", "cwd", "sys", "path1", "path2", "out"}) tmp.MakeDir(f);
  }

  PosixProcessLauncher::Options Options() const {
    PosixProcessLauncher::Options o;
    o.ownFolder = Dir("own");
    o.currentFolder = Dir("cwd");
    o.systemFolders = std::vector<std::string>{Dir("sys")};
    o.searchPath = Dir("path1") + ":" + Dir("path2");
    return o;
  }
  std::string Dir(const std::string& name) const { return (tmp.Path() / name).string(); }

  // A program that reports which copy ran, its arguments and its process id.
  void Script(const std::string& relative, const std::string& tag, mode_t mode = 0755) {
    const std::string out = Dir("out");
    tmp.Write(relative, "#!/bin/sh\nprintf '%s\\n' \"" + tag + "\" \"$$\" \"$@\" > " + out +
                            "/ran.tmp\nmv " + out + "/ran.tmp " + out + "/ran\n");
    chmod((tmp.Path() / relative).c_str(), mode);
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

  TempDir tmp;
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

    PosixProcessLauncher launcher(Options());
    EXPECT_EQ(launcher.StartDetached("SvxKmV11.exe"), std::nullopt);
    auto lines = WaitForRun();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], c.expected);
  }
}

TEST_F(ProcessLauncherTest, MatchesTheNameInAnyLetterCaseAndSkipsFolders) {
  tmp.MakeDir("own/SvxKmV11.exe");
  Script("cwd/svxkmv11.EXE", "cwd");
  PosixProcessLauncher launcher(Options());
  EXPECT_EQ(launcher.Resolve("SvxKmV11.exe"), Dir("cwd") + "/svxkmv11.EXE");
  EXPECT_EQ(launcher.StartDetached("SvxKmV11.exe"), std::nullopt);
  auto lines = WaitForRun();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "cwd");
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
  auto noWine = launcher.StartDetached("Windows.exe");
  ASSERT_TRUE(noWine);
  EXPECT_NE(noWine->find("\"wine\""), std::string::npos) << *noWine;
  EXPECT_NE(noWine->find("Windows.exe"), std::string::npos) << *noWine;
}

TEST_F(ProcessLauncherTest, StartsAWindowsProgramThroughWineOnThePath) {
  tmp.Write("own/SvxKmV11.exe", std::string("MZ\x90\0\x03", 5));
  Script("path2/wine", "wine");
  PosixProcessLauncher launcher(Options());

  EXPECT_EQ(launcher.StartDetached("SvxKmV11.exe"), std::nullopt);

  auto lines = WaitForRun();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "wine");
  EXPECT_EQ(lines[2], Dir("own") + "/SvxKmV11.exe");
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
