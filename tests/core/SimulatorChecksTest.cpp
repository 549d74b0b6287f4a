#include <gtest/gtest.h>

#include <string>

#include "install/SimulatorChecks.h"
#include "support/PlatformFakes.h"

namespace svx {
namespace {

TEST(IsValidSimFolder, TestsTheMarkerFileInTheFolderAsGiven) {
  struct Case {
    std::string folder;
    std::string asked;
  } cases[] = {
      {"C:\\FSX", "C:\\FSX\\TERRAIN.CFG"},
      {"C:\\FSX\\", "C:\\FSX\\\\TERRAIN.CFG"},
      {"", "\\TERRAIN.CFG"},
  };
  for (const auto& c : cases) {
    test::MemoryFileSystem files;
    EXPECT_FALSE(IsValidSimFolder(files, c.folder)) << c.folder;
    ASSERT_EQ(files.asked.size(), 1u);
    EXPECT_EQ(files.asked[0], c.asked);
    files.AddFile(c.asked);
    EXPECT_TRUE(IsValidSimFolder(files, c.folder)) << c.folder;
  }
}

TEST(IsValidSimFolder, CountsAFolderNamedLikeTheMarker) {
  test::MemoryFileSystem files;
  files.AddFolder("C:\\FSX\\TERRAIN.CFG");
  EXPECT_TRUE(IsValidSimFolder(files, "C:\\FSX"));
}

TEST(IsSimulatorRunning, LooksForTheSimulatorsWindowTitle) {
  test::FakeWindowFinder windows;
  windows.titles = {"Microsoft Flight Simulator", "Notepad"};
  EXPECT_FALSE(IsSimulatorRunning(windows));
  EXPECT_EQ(windows.asked, "Microsoft Flight Simulator X");
  windows.titles.push_back("Microsoft Flight Simulator X");
  EXPECT_TRUE(IsSimulatorRunning(windows));
}

// The texts are the string table's; the icon is the check's own.
TEST(SimulatorMessages, ShowTheStopIcon) {
  EXPECT_EQ(kSimulatorRunningStyle, 16);
  EXPECT_EQ(kFolderNotFoundStyle, 16);
}

}  // namespace
}  // namespace svx
