// The Win32 file layer: the factory of the shared file-system cases (which run
// against Wine's real calls in the cross build), and what only Windows shows.
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "prep/Preparation.h"
#include "support/FileSystemUnderTest.h"
#include "support/PrepRecordingOwner.h"
#include "support/TempDir.h"

namespace svx {

using test::PrepRecordingOwner;

std::unique_ptr<FileSystem> test::MakeFileSystemUnderTest() {
  return std::make_unique<Win32FileSystem>();
}

namespace {

// The system's own error codes, which the tool never shows but which tell a
// refused rename from a missing source (as measured with Wine 8).
TEST(Win32FileSystem, LeavesTheErrorsOfTheSystemCalls) {
  test::TempDir tmp;
  tmp.Write("S/L1L.XXX", "x");
  tmp.Write("S/l1l.bgl", "y");
  Win32FileSystem files;
  const std::string s = tmp.Str() + "\\S\\";

  EXPECT_FALSE(files.Rename(s + "L1L.XXX", s + "L1L.BGL"));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(files.Rename(s + "MISSING.XXX", s + "MISSING.BGL"));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(files.Enumerate(s + "Q*.*"), std::vector<std::string>{});
  EXPECT_EQ(files.Enumerate(tmp.Str() + "\\Missing\\*"), std::vector<std::string>{});
}

// While the source goes, the system itself keeps the held target in place:
// neither a move nor a delete by another program gets through.
TEST(Win32FileSystem, HoldsTheTargetWhileTheSourceIsDeleted) {
  test::TempDir tmp;
  tmp.Write("S/L1L.XXX", "source");
  tmp.Write("S/L1L.BGL", "target");
  const std::string s = tmp.Str() + "\\S\\";
  BOOL moved = TRUE, deleted = TRUE;
  Win32FileSystem files([&](const std::string& target) {
    moved = ::MoveFileA(target.c_str(), (tmp.Str() + "\\moved.BGL").c_str());
    deleted = ::DeleteFileA(target.c_str());
  });

  EXPECT_EQ(files.RemoveRedundant(s + "L1L.XXX", s + "L1L.BGL"), RemovalOutcome::kRemoved);
  EXPECT_FALSE(moved);
  EXPECT_FALSE(deleted);
  EXPECT_FALSE(tmp.Has("S/L1L.XXX"));
  EXPECT_EQ(tmp.Read("S/L1L.BGL"), "target");
}

// Another program (svx_hold_file, built beside the tests) that holds a file
// open without sharing it from the moment the object is made until `ms` have
// passed.
class HoldingProgram {
 public:
  HoldingProgram(const std::string& path, DWORD ms, const std::string& ready) {
    char self[MAX_PATH];
    const std::string test(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
    const std::string program = test.substr(0, test.find_last_of("\\/") + 1) + "svx_hold_file.exe";
    std::string command =
        "\"" + program + "\" \"" + path + "\" " + std::to_string(ms) + " \"" + ready + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
      why_ = "CreateProcessA failed with error " + std::to_string(::GetLastError());
      return;
    }
    process_ = UniqueHandle(started.hProcess);
    ::CloseHandle(started.hThread);
    for (int wait = 0; wait < 1000 && !holding_; ++wait) {
      holding_ = ::GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES;
      if (!holding_) ::Sleep(10);
    }
    if (!holding_) why_ = "the file was not held within 10 s";
  }
  ~HoldingProgram() {
    if (process_) ::WaitForSingleObject(process_.Get(), 20000);
  }
  HoldingProgram(const HoldingProgram&) = delete;
  HoldingProgram& operator=(const HoldingProgram&) = delete;

  bool Holding() const { return holding_; }
  const std::string& Why() const { return why_; }

 private:
  UniqueHandle process_;
  bool holding_ = false;
  std::string why_;
};

// A file another program holds for a moment (a virus scanner looking at a
// file just renamed) must not fail the run; one held for good fails it soon,
// as before, with the file left as it was.
TEST(Win32FileSystem, WaitsOutABriefLockButNotALastingOne) {
  const struct {
    const char* what;
    const char* held;
    DWORD ms;
    bool succeeded;
  } cases[] = {
      {"a source to be renamed, for a moment", "L1L_0001.XXX", 300, true},
      {"a pair's source to be deleted, for a moment", "L1P_0002.XXX", 300, true},
      {"a pair's target, for a moment", "L1P_0002.BGL", 300, true},
      {"a source to be renamed, for longer than the tool waits", "L1L_0001.XXX", 2500, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir tmp;
    const std::string vod = "FSX/SCENERY/VODeVevuza/Scenery/";
    tmp.Write(vod + "L1L_0001.XXX", "renamed");
    tmp.Write(vod + "L1P_0002.XXX", "redundant");
    tmp.Write(vod + "L1P_0002.BGL", "kept");
    tmp.Write("SvxKmV11.exe", "xxxx");
    // The unlock opens the patch in the working directory.
    char before[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryA(tmp.Str().c_str()));
    {
      HoldingProgram other(tmp.Str() + "\\" + vod + c.held, c.ms, tmp.Str() + "\\held");
      ASSERT_TRUE(other.Holding()) << other.Why();
      Win32FileSystem files;
      PrepRecordingOwner owner(tmp.Str() + "\\FSX");

      RunPreparation(owner, files);

      ASSERT_EQ(owner.messages.size(), 1u);
      EXPECT_EQ(owner.messages[0].caption, c.succeeded ? "Success" : "Error");
      EXPECT_EQ(owner.launchEnabled, c.succeeded ? 1 : 0);
    }
    ::SetCurrentDirectoryA(std::string(before, length).c_str());
    EXPECT_EQ(tmp.Read(vod + "L1P_0002.BGL"), "kept");
    EXPECT_FALSE(tmp.Has(vod + "L1P_0002.XXX"));
    EXPECT_EQ(tmp.Has(vod + "L1L_0001.BGL"), c.succeeded);
    EXPECT_EQ(tmp.Read(vod + (c.succeeded ? "L1L_0001.BGL" : "L1L_0001.XXX")), "renamed");
    EXPECT_EQ(tmp.Read("SvxKmV11.exe"), c.succeeded ? "MZxx" : "xxxx");
  }
}

}  // namespace
}  // namespace svx
