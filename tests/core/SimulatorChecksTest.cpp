#include <gtest/gtest.h>

#include <string>

#include "install/SimulatorChecks.h"
#include "support/InstallFakes.h"

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
    files.files[c.asked] = "";
    EXPECT_TRUE(IsValidSimFolder(files, c.folder)) << c.folder;
  }
}

TEST(IsValidSimFolder, CountsAFolderNamedLikeTheMarker) {
  test::MemoryFileSystem files;
  files.folders.push_back("C:\\FSX\\TERRAIN.CFG");
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

TEST(SimulatorMessages, AreTheToolsOwnTexts) {
  EXPECT_STREQ(kSimulatorRunningText,
               "A process named \"Microsoft Flight Simulator X\" has been found running in the "
               "background.\n\nYou must terminate this process before any modifications can be "
               "made to the FSX environment.\n\nAfter terminating the background process, you can "
               "restart this application.\n\nPress any key to exit this application.");
  EXPECT_STREQ(kSimulatorRunningCaption, "Skarvane X Patch Preparation Tool Warning");
  EXPECT_EQ(kSimulatorRunningStyle, 16);
  EXPECT_STREQ(kFolderNotFoundText,
               "FSX could not be located at the path defined in the Windows Registry.\n\nPress "
               "the \"Change FSX Location\" button to locate FSX manually");
  EXPECT_STREQ(kFolderNotFoundCaption, "Warning");
  EXPECT_EQ(kFolderNotFoundStyle, 16);
}

}  // namespace
}  // namespace svx
