// The preparation pass over a real folder tree through the POSIX file layer.
#include "prep/Preparation.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/PosixFileSystem.h"
#include "support/PrepRecordingOwner.h"
#include "support/TempDir.h"

namespace svx {
namespace {

using test::PrepRecordingOwner;
using test::TempDir;

// The same pass on a real folder tree, whose names are stored in any letter
// case and may hold characters that Windows names cannot.
class PreparationOnDiskTest : public ::testing::Test {
 protected:
  PreparationOnDiskTest()
      : files(PosixFileSystem::Options{tmp.Str() + "/prefix", tmp.Str()}),
        owner(tmp.Str() + "/FSX") {
    tmp.Write("svxkmv11.EXE", "xxxx");
  }
  std::string Scenery(const std::string& name) const {
    return "FSX/scenery/vodevevuza/SCENERY/" + name;
  }

  TempDir tmp;
  PosixFileSystem files;
  PrepRecordingOwner owner;
};

TEST_F(PreparationOnDiskTest, FindsNamesInAnyLetterCase) {
  tmp.Write(Scenery("l1l_0001.xxx"), "one");
  tmp.Write(Scenery("LLC_0002.bgl"));
  tmp.Write(Scenery("llc_0002.XXX"), "two");
  tmp.Write("FSX/scenery/rovuzu/Scenery/brua.Xxx", "three");

  RunPreparation(owner, files);

  EXPECT_EQ(tmp.Read(Scenery("l1l_0001.BGL")), "one");
  EXPECT_FALSE(tmp.Has(Scenery("l1l_0001.xxx")));
  EXPECT_FALSE(tmp.Has(Scenery("LLC_0002.bgl")));
  EXPECT_EQ(tmp.Read(Scenery("llc_0002.XXX")), "two");
  EXPECT_EQ(tmp.Read("FSX/scenery/rovuzu/Scenery/brua.BGL"), "three");
  EXPECT_EQ(owner.counters.checked, 4);
  EXPECT_EQ(owner.counters.renamed, 2);
  EXPECT_EQ(owner.counters.removed, 1);
  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].caption, "Success");
  EXPECT_EQ(tmp.Read("svxkmv11.EXE"), "MZxx");
}

TEST_F(PreparationOnDiskTest, NeverLosesAFileToAFolderOrAForeignName) {
  // A folder in the place of the active file: the inactive file is the only copy.
  tmp.Write(Scenery("L1L_0001.XXX"), "only copy");
  tmp.MakeDir(Scenery("L1L_0001.BGL"));
  // A POSIX name holding a Windows separator must not lead into the folder L1La.
  tmp.Write(Scenery("L1La\\b.XXX"), "odd");
  tmp.Write(Scenery("L1La/b.XXX"), "inner");
  tmp.Write(Scenery("L1La/b.BGL"), "inner active");

  RunPreparation(owner, files);

  EXPECT_EQ(tmp.Read(Scenery("L1L_0001.XXX")), "only copy");
  EXPECT_EQ(tmp.Read(Scenery("L1La\\b.XXX")), "odd");
  EXPECT_EQ(tmp.Read(Scenery("L1La/b.XXX")), "inner");
  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].caption, "Error");
  EXPECT_EQ(tmp.Read("svxkmv11.EXE"), "xxxx");
}

}  // namespace
}  // namespace svx
