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

}  // namespace
}  // namespace svx
