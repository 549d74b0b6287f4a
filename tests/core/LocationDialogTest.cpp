#include "ui/LocationDialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "res/ResourceIds.h"
#include "support/MemoryFileSystem.h"
#include "support/UiFakes.h"

namespace svx {
namespace {

using test::FakeLocationView;
using test::MemoryFileSystem;
using test::ShownMessage;

const ShownMessage kExitQuestion{
    "The specified FSX path is not valid.  The new path\nwill not be saved if you exit now.\n\n"
    "Are you sure you want to exit ?",
    "", 4};
const ShownMessage kCancelQuestion{"Are you sure you want to cancel the changes ?\n", "", 4};

class LocationDialogTest : public ::testing::Test {
 protected:
  LocationDialogTest() {
    files.AddFile("C:\\FSX\\TERRAIN.CFG");
    files.AddFile("D:\\Games\\FSX\\terrain.cfg");
    files.AddFile("E:\\Empty\\readme.txt");
  }

  // Opens the dialog as the toolkit window does: attach, then initialise.
  void Open(const std::string& registryFolder) {
    dialog.emplace(files, registryFolder);
    dialog->Attach(view);
    ASSERT_TRUE(dialog->OnInitDialog());
  }

  MemoryFileSystem files;
  FakeLocationView view;
  std::optional<LocationDialog> dialog;
};

TEST_F(LocationDialogTest, OpensWithTheRegistryFolderAndAnEmptyNewFolder) {
  Open("C:\\FSX");
  EXPECT_EQ(view.controls.registryFolder, "C:\\FSX");
  EXPECT_EQ(view.controls.newFolder, "");
  // The empty new folder is tested as it stands, and fails.
  EXPECT_EQ(view.images, std::vector<StatusImage>{StatusImage::kInvalid});
  EXPECT_FALSE(dialog->Valid());
  EXPECT_TRUE(view.Messages().empty());
  EXPECT_FALSE(view.Ended());
}

TEST_F(LocationDialogTest, BrowseShowsTheVerdictOfThePickedFolder) {
  const struct {
    std::optional<std::string> pick;
    std::string shown;
    StatusImage image;
  } cases[] = {
      {"D:\\Games\\FSX", "D:\\Games\\FSX", StatusImage::kValid},
      {"E:\\Empty", "E:\\Empty", StatusImage::kInvalid},
      // A drive root keeps its backslash and is tested with it doubled.
      {"C:\\FSX\\", "C:\\FSX\\", StatusImage::kValid},
      // A cancelled chooser leaves the last verdict and the field alone.
      {std::nullopt, "C:\\FSX\\", StatusImage::kValid},
  };
  Open("");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pick.value_or("(cancelled)"));
    view.picks = {c.pick};
    dialog->OnBrowse();
    EXPECT_EQ(view.browseTitles.back(), "Select FSX Folder Location");
    EXPECT_EQ(view.controls.newFolder, c.shown);
    EXPECT_EQ(view.Image(), c.image);
    EXPECT_EQ(dialog->Valid(), c.image == StatusImage::kValid);
  }
  EXPECT_EQ(view.images.size(), 4u);  // opening and three picks; the cancel set none
  EXPECT_TRUE(view.Messages().empty());
  EXPECT_FALSE(view.Ended());
}

TEST_F(LocationDialogTest, UseRegistryTakesAndTestsTheRegistryFolder) {
  const struct {
    std::string registry;
    StatusImage image;
  } cases[] = {
      {"C:\\FSX", StatusImage::kValid},
      {"E:\\Empty", StatusImage::kInvalid},
      {"", StatusImage::kInvalid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.registry);
    view = FakeLocationView();
    Open(c.registry);
    view.Type("D:\\Games\\FSX");
    dialog->OnUseRegistry();
    EXPECT_EQ(view.controls.newFolder, c.registry);
    EXPECT_EQ(view.Image(), c.image);
    EXPECT_EQ(dialog->Valid(), c.image == StatusImage::kValid);
  }
}

// Accept tests what is typed now; the image keeps the last Browse's verdict.
TEST_F(LocationDialogTest, AcceptTestsTheTypedFolder) {
  const struct {
    std::string typed;
    std::optional<int> answer;  // to the "exit anyway" question, if it is asked
    std::vector<int> ends;
    bool valid;
  } cases[] = {
      {"D:\\Games\\FSX", std::nullopt, {kResultOk}, true},
      {"E:\\Empty", kAnswerYes, {kResultOk}, false},
      {"E:\\Empty", kAnswerNo, {}, false},
      {"", kAnswerNo, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    view = FakeLocationView();
    Open("");
    view.picks = {std::string("C:\\FSX")};
    dialog->OnBrowse();
    ASSERT_EQ(view.Image(), StatusImage::kValid);

    view.Type(c.typed);
    if (c.answer) view.box.answers = {*c.answer};
    dialog->OnOk();

    EXPECT_EQ(view.Messages(),
              c.answer ? std::vector<ShownMessage>{kExitQuestion} : std::vector<ShownMessage>{});
    EXPECT_EQ(view.endResults, c.ends);
    EXPECT_EQ(dialog->Valid(), c.valid);
    EXPECT_EQ(dialog->Values().newFolder, c.typed);
    EXPECT_EQ(view.images.size(), 2u);
    EXPECT_EQ(view.Image(), StatusImage::kValid);
  }
}

TEST_F(LocationDialogTest, CancelAlwaysAsks) {
  Open("C:\\FSX");
  view.box.answers = {kAnswerNo};
  dialog->OnCancel();
  EXPECT_FALSE(view.Ended());

  view.box.answers = {kAnswerYes};
  dialog->OnCancel();
  EXPECT_EQ(view.Messages(), (std::vector<ShownMessage>{kCancelQuestion, kCancelQuestion}));
  EXPECT_EQ(view.endResults, std::vector<int>{kResultCancel});
}

}  // namespace
}  // namespace svx
