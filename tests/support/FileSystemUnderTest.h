// The file layer a test of the shared file-system cases runs against: the
// platform's own (PosixFileSystem, or Win32FileSystem in the Windows build).
// Each platform's test file defines the factory.
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

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

}  // namespace svx::test
