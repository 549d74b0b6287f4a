#include "platform/WindowsPath.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace svx {
namespace {

using Start = WindowsPath::Start;
using Parts = std::vector<std::string>;

TEST(WindowsPath, TakesPathsApartByTheirTextAsWindowsDoes) {
  struct Case {
    std::string path;
    std::optional<WindowsPath> parsed;
  } cases[] = {
      {"C:\\FSX\\TERRAIN.CFG", WindowsPath{Start::kDrive, 'C', 0, Parts{"FSX", "TERRAIN.CFG"}}},
      {"c:/fsx//Scenery\\/", WindowsPath{Start::kDrive, 'c', 0, Parts{"fsx", "Scenery"}, true}},
      {"C:", WindowsPath{Start::kDrive, 'C', 0, Parts{}}},
      {"C:\\", WindowsPath{Start::kDrive, 'C', 0, Parts{}, true}},
      {"C:FSX", WindowsPath{Start::kDrive, 'C', 0, Parts{"FSX"}}},
      {"C:\\..\\FSX\\.\\A\\..\\B", WindowsPath{Start::kDrive, 'C', 0, Parts{"FSX", "B"}}},
      {"\\..\\FSX", WindowsPath{Start::kRoot, 0, 0, Parts{"FSX"}}},
      {"1:\\FSX", WindowsPath{Start::kCurrentFolder, 0, 0, Parts{"1:", "FSX"}}},
      {"SvxKmV11.exe", WindowsPath{Start::kCurrentFolder, 0, 0, Parts{"SvxKmV11.exe"}}},
      {"sub\\..\\..\\..\\x", WindowsPath{Start::kCurrentFolder, 0, 2, Parts{"x"}}},
      {".", WindowsPath{Start::kCurrentFolder, 0, 0, Parts{}}},
      {"", std::nullopt},
      {"\\\\server\\share\\FSX", std::nullopt},
      {"//server/share/FSX", std::nullopt},
      {std::string("C:\\FSX\0\\TERRAIN.CFG", 19), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ParseWindowsPath(c.path), c.parsed);
  }
}

TEST(WindowsPath, SplitsOffOnlyAPlainLastName) {
  struct Case {
    std::string path;
    const char* folder;  // null: no split
    const char* name;
  } cases[] = {
      {"C:\\FSX\\L1L.BGL", "C:\\FSX\\", "L1L.BGL"},
      {"C:/FSX//L1L*.*", "C:/FSX//", "L1L*.*"},
      {"L1L.BGL", nullptr, nullptr},
      {"C:\\FSX\\", nullptr, nullptr},
      {"C:\\FSX\\..", nullptr, nullptr},
      {std::string("C:\\FSX\\L1L\0.BGL", 15), nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::optional<FolderAndName> split = SplitLastName(c.path);
    ASSERT_EQ(split.has_value(), c.folder != nullptr);
    if (split) {
      EXPECT_EQ(split->folder, c.folder);
      EXPECT_EQ(split->name, c.name);
    }
  }
}

}  // namespace
}  // namespace svx
