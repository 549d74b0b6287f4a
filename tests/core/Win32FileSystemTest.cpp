// The Win32 file layer: the factory of the shared file-system cases (which run
// against Wine's real calls in the cross build), and what only Windows shows.
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FileSystemUnderTest.h"
#include "support/TempDir.h"

namespace svx {

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

}  // namespace
}  // namespace svx
