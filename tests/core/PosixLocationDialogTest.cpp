// The change-location dialog over a real Wine-style prefix.
#include "ui/LocationDialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/posix/PosixFileSystem.h"
#include "res/ResourceIds.h"
#include "support/FakePrefix.h"
#include "support/TempDir.h"
#include "support/UiFakes.h"

namespace svx {
namespace {

using test::FakeLocationView;

// On Linux a folder arrives as a POSIX path from the chooser or as a Windows
// path typed by the user; both name the same simulator.
TEST(LocationDialogOnDisk, TakesPosixAndWindowsFormsOfTheSameFolder) {
  test::TempDir tmp;
  test::FakePrefix(tmp.Path() / "prefix").DriveC("Games/FSX/terrain.cfg");
  PosixFileSystem files(PosixFileSystem::Options{(tmp.Path() / "prefix").string(), tmp.Str()});
  const std::string posixFolder = (tmp.Path() / "prefix/drive_c/Games/FSX").string();

  const struct {
    std::string folder;
    bool valid;
  } cases[] = {
      {posixFolder, true},
      {"C:\\Games\\FSX", true},
      {"c:\\GAMES\\fsx\\", true},
      {"C:\\Games", false},
      {(tmp.Path() / "prefix").string(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    FakeLocationView view;
    LocationDialog dialog(files, "");
    dialog.Attach(view);
    dialog.OnInitDialog();
    view.picks = {c.folder};
    dialog.OnBrowse();
    EXPECT_EQ(view.Image(), c.valid ? StatusImage::kValid : StatusImage::kInvalid);

    view.Type(c.folder);
    if (!c.valid) view.box.answers = {kAnswerNo};
    dialog.OnOk();
    EXPECT_EQ(dialog.Valid(), c.valid);
    EXPECT_EQ(view.Ended(), c.valid);
  }
}

}  // namespace
}  // namespace svx
