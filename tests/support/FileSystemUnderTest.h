// The file layer a test of the shared file-system cases runs against: the
// platform's own (PosixFileSystem, or Win32FileSystem in the Windows build).
// Each platform's test file defines the factory.
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace svx::test {

std::unique_ptr<FileSystem> MakeFileSystemUnderTest();

inline const char* KindName(PathKind k) {
  switch (k) {
    case PathKind::kFile:
      return "file";
    case PathKind::kFolder:
      return "folder";
    default:
      return "missing";
  }
}

// Names stored in a folder on disk, in byte order.
inline std::vector<std::string> NamesOnDisk(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Most cases run twice: once with nothing cached and once inside a pass, where
// lookups are served from the cached listings. The suite is instantiated once,
// in FileSystemTest.cpp, which every platform builds; a platform's own test
// file adds the cases only its file system has.
class FileSystemTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    files_ = MakeFileSystemUnderTest();
    if (InPass()) files_->BeginPass();
  }
  void TearDown() override {
    if (InPass()) files_->EndPass();
  }
  bool InPass() const { return GetParam(); }

  // The path as the tool builds it: the folder, then "\"-separated names.
  std::string W(const std::string& relative) const { return tmp_.Str() + "\\" + relative; }

  TempDir tmp_;
  std::unique_ptr<FileSystem> files_;
};

inline std::string PassParamName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "InPass" : "NoPass";
}

}  // namespace svx::test
