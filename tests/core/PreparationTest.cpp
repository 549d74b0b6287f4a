#include "prep/Preparation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "support/MemoryFileSystem.h"
#include "support/PrepFaultyFileSystem.h"
#include "support/PrepRecordingOwner.h"
#include "support/TempDir.h"

namespace svx {
namespace {

using test::MemoryFileSystem;
using test::PrepFaultyFileSystem;
using test::PrepRecordingOwner;
using test::TempDir;

const std::string kVod = "C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\";
const std::string kPatch = "SvxKmV11.exe";
const std::string kFailureText =
    "The patch preparation failed because windows prevented modifications of the required "
    "scenery files\n\nTry rebooting to clear any file locks.  Then, retry this patch preparation "
    "tool.";
const std::string kSuccessText =
    "The patch preparation was successful and the patch has been unlocked.\n\nPress the \"Launch "
    "Patch Application\" button to begin the patch process.";

// The files and the window of one pass: the fixture's, or one per case of a
// table. The patch file in the working directory is still locked.
struct Session {
  Session() { mem.AddFile(kPatch, std::string("\0\0rest", 6)); }

  void RunPass(const ProductConfig& config = TheProductConfig()) {
    RunPreparation(owner, fs, config);
  }

  MemoryFileSystem mem;
  PrepFaultyFileSystem fs{mem};
  PrepRecordingOwner owner;
};

class PreparationTest : public ::testing::Test, protected Session {
 protected:
  std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectCounters(int checked, int renamed, int removed) {
    EXPECT_EQ(owner.counters.checked, checked);
    EXPECT_EQ(owner.counters.renamed, renamed);
    EXPECT_EQ(owner.counters.removed, removed);
  }
  // The whole outcome a user sees: the box, the image, the Launch button, and
  // the patch unlocked only after a success.
  void ExpectOutcome(bool succeeded) {
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].text, succeeded ? kSuccessText : kFailureText);
    EXPECT_EQ(owner.messages[0].caption, succeeded ? "Success" : "Error");
    EXPECT_EQ(owner.messages[0].style, 48);
    EXPECT_EQ(owner.images,
              std::vector<StatusImage>{succeeded ? StatusImage::kValid : StatusImage::kInvalid});
    EXPECT_EQ(owner.launchEnabled, succeeded ? 1 : 0);
    EXPECT_EQ(mem.Content(kPatch), succeeded ? std::string("MZrest") : std::string("\0\0rest", 6))
        << "the patch is unlocked after a success only";
  }
  void ExpectSucceeded() { ExpectOutcome(true); }
  void ExpectFailed() { ExpectOutcome(false); }
  void ExpectCaptureReleasedBeforeMessage() {
    EXPECT_EQ(owner.busyBegun, 1);
    EXPECT_EQ(owner.busyEnded, 1);
    ASSERT_FALSE(owner.messages.empty());
    EXPECT_FALSE(owner.messages.back().busy);
    EXPECT_TRUE(owner.busyAtEveryWait);
  }
};

TEST_F(PreparationTest, TypicalRunRenamesDeletesAndUnlocks) {
  mem.AddFile(kVod + "L1L_0001.XXX", "scenery");
  mem.AddFile(kVod + "LLC_0001.BGL");
  mem.AddFile(kVod + "LLC_0001.XXX", "kept");
  owner.counters = {7, 7, 7};
  owner.onWait = [&] { EXPECT_EQ(mem.passDepth, 1) << "listings not cached for the whole pass"; };

  RunPass();

  EXPECT_EQ(Sorted(mem.List(kVod)), (std::vector<std::string>{"L1L_0001.BGL", "LLC_0001.XXX"}));
  EXPECT_EQ(mem.Content(kVod + "L1L_0001.BGL"), "scenery");
  EXPECT_EQ(mem.Content(kVod + "LLC_0001.XXX"), "kept");
  ExpectCounters(3, 1, 1);
  ExpectSucceeded();
  ExpectCaptureReleasedBeforeMessage();
  EXPECT_EQ(mem.passesBegun, 1);
  EXPECT_EQ(mem.passDepth, 0);
  // The counters on screen are those of the final refresh.
  ASSERT_FALSE(owner.shown.empty());
  EXPECT_EQ(owner.shown.back().checked, 3);
  EXPECT_EQ(owner.shown.back().renamed, 1);
  EXPECT_EQ(owner.shown.back().removed, 1);
}

struct Entry {
  std::string name;
  bool folder = false;
};

struct FolderCase {
  const char* what;
  std::vector<Entry> before;
  std::vector<std::string> after;  // names in the folder, sorted
  PrepCounters counters;
  bool failed = false;
};

TEST_F(PreparationTest, BringsEachCoveredFileIntoItsTargetState) {
  const std::vector<FolderCase> cases = {
      {"inactive files are re-activated",
       {{"L1L_0001.XXX"}, {"L1P_0002.XXX"}, {"L6O_0003.XXX"}},
       {"L1L_0001.BGL", "L1P_0002.BGL", "L6O_0003.BGL"},
       {3, 3, 0}},
      {"names in other letter case are found and keep their base",
       {{"l1l_0001.xxx"}, {"L1p_0002.Xxx"}},
       {"L1p_0002.BGL", "l1l_0001.BGL"},
       {2, 2, 0}},
      {"of a pair the source is deleted, both entries checked",
       {{"L1L_0001.XXX"}, {"L1L_0001.BGL"}},
       {"L1L_0001.BGL"},
       {2, 0, 1}},
      {"a de-activating rule renames a lone active file", {{"LLC1.BGL"}}, {"LLC1.XXX"}, {1, 1, 0}},
      {"a de-activating rule deletes the active member of a pair",
       {{"LLC1.BGL"}, {"LLC1.XXX"}},
       {"LLC1.XXX"},
       {2, 0, 1}},
      {"files already in their target state are only checked",
       {{"L1L_0001.BGL"}, {"LLC1.XXX"}},
       {"L1L_0001.BGL", "LLC1.XXX"},
       {2, 0, 0}},
      {"any extension is checked and cut at four characters",
       {{"L1Lnotes.txt"}, {"L1Lnotes.XXX"}},
       {"L1Lnotes.BGL", "L1Lnotes.txt"},
       {2, 1, 0}},
      {"a middle of A covers the prefix plus A only",
       {{"QLPA.XXX"}, {"QLPA1.XXX"}, {"QLPB.XXX"}},
       {"QLPA.BGL", "QLPA1.XXX", "QLPB.XXX"},
       {1, 1, 0}},
      {"an empty base name leaves the rule's coverage",
       {{"QLPA"}, {".XXX"}, {"L1L"}},
       {".XXX", "L1L", "QLPA"},
       {2, 0, 0}},
      {"a short cut-off base leaves the rule's coverage",
       {{"L1L_1"}, {"L.XXX"}, {"L1L_2"}, {"L.BGL"}},
       {"L.BGL", "L.XXX", "L1L_1", "L1L_2"},
       {2, 0, 0}},
      {"a folder with a source name is neither renamed nor deleted",
       {{"L1L_0001.XXX", true}, {"L1L_0002.XXX", true}, {"L1L_0002.BGL"}},
       {"L1L_0001.XXX", "L1L_0002.BGL", "L1L_0002.XXX"},
       {3, 0, 0}},
      {"a folder named like the target keeps the source and fails the run",
       {{"L1L_0001.XXX"}, {"L1L_0001.BGL", true}, {"L1L_0002.XXX"}},
       {"L1L_0001.BGL", "L1L_0001.XXX", "L1L_0002.BGL"},
       {3, 1, 0},
       true},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.what);
    Session run;
    run.mem.AddFolder(kVod);
    for (const Entry& e : c.before) {
      if (e.folder) {
        run.mem.AddFolder(kVod + e.name);
      } else {
        run.mem.AddFile(kVod + e.name);
      }
    }
    run.RunPass();
    EXPECT_EQ(Sorted(run.mem.List(kVod)), c.after);
    EXPECT_EQ(run.owner.counters.checked, c.counters.checked);
    EXPECT_EQ(run.owner.counters.renamed, c.counters.renamed);
    EXPECT_EQ(run.owner.counters.removed, c.counters.removed);
    ASSERT_EQ(run.owner.messages.size(), 1u);
    EXPECT_EQ(run.owner.messages[0].caption, c.failed ? "Error" : "Success");
    EXPECT_EQ(run.owner.launchEnabled, c.failed ? 0 : 1);
  }
}

TEST_F(PreparationTest, RefusedOperationsFailTheRunButEverythingElseIsDone) {
  mem.AddFile(kVod + "L1L_0001.XXX");  // rename refused
  mem.AddFile(kVod + "L1P_0001.XXX");  // delete refused
  mem.AddFile(kVod + "L1P_0001.BGL");
  mem.AddFile(kVod + "L1R_0001.XXX");  // after both failures, still renamed
  mem.AddFile("C:\\FSX\\SCENERY\\VAZizEdiz\\Scenery\\QLPA.XXX");  // the last rule
  fs.RefuseRename("L1L_0001.XXX");
  fs.RefuseRemove("l1p_0001.xxx");

  RunPass();

  EXPECT_EQ(Sorted(mem.List(kVod)), (std::vector<std::string>{"L1L_0001.XXX", "L1P_0001.BGL",
                                                              "L1P_0001.XXX", "L1R_0001.BGL"}));
  EXPECT_TRUE(mem.Content("C:\\FSX\\SCENERY\\VAZizEdiz\\Scenery\\QLPA.BGL"));
  // Attempts, not successes: both entries of the refused pair try the delete.
  ExpectCounters(5, 3, 2);
  ExpectFailed();
  ExpectCaptureReleasedBeforeMessage();
}

TEST_F(PreparationTest, FailedUnlockShowsOnlyItsOwnMessage) {
  mem.Remove(kPatch);
  owner.onWait = nullptr;

  RunPass();

  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].caption, "Success");
  EXPECT_NE(owner.messages[0].text, kSuccessText);
  EXPECT_TRUE(owner.messages[0].busy) << "the unlock reports while the capture is held";
  EXPECT_TRUE(owner.images.empty());
  EXPECT_EQ(owner.launchEnabled, 0);
  EXPECT_EQ(owner.busyEnded, 1);
}

TEST_F(PreparationTest, SecondRunFindsEverythingDone) {
  mem.AddFile(kVod + "L1L_0001.XXX");
  mem.AddFile(kVod + "LLC_0001.BGL");
  mem.AddFile(kVod + "LLC_0001.XXX");
  mem.AddFile("C:\\FSX\\SCENERY\\ROVuzu\\Scenery\\BRUA.XXX");
  RunPass();
  ExpectCounters(4, 2, 1);
  const int renames = fs.renames, removes = fs.removes;

  owner.messages.clear();
  RunPass();

  ExpectCounters(3, 0, 0);
  EXPECT_EQ(fs.renames, renames);
  EXPECT_EQ(fs.removes, removes);
  EXPECT_EQ(owner.messages.back().caption, "Success");
}

TEST_F(PreparationTest, RunStartedDuringAWaitIsIgnored) {
  mem.AddFile(kVod + "L1L_0001.XXX");
  int nested = 0;
  owner.onWait = [&] {
    ++nested;
    PrepCounters before = owner.counters;
    RunPreparation(owner, fs);
    EXPECT_EQ(owner.counters.checked, before.checked);
  };

  RunPass();

  EXPECT_GT(nested, 0);
  EXPECT_EQ(owner.busyBegun, 1);
  EXPECT_EQ(owner.Waits(), 1);  // Checked is 1 after rule 1, so only the final refresh
  EXPECT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(fs.renames, 1);

  // Once the run is over, the next one runs normally.
  owner.onWait = nullptr;
  RunPass();
  EXPECT_EQ(owner.busyBegun, 2);
}

TEST_F(PreparationTest, RefreshesWhenCheckedIsAMultipleOfHundred) {
  const struct {
    int files;
    int waits;
  } cases[] = {{0, 41 + 1}, {99, 1}, {100, 41 + 1}, {150, 1}, {200, 41 + 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files);
    Session run;
    for (int i = 0; i < c.files; ++i) run.mem.AddFile(kVod + "L1L_" + std::to_string(i) + ".BGL");
    run.RunPass();
    EXPECT_EQ(run.owner.Waits(), c.waits);
    EXPECT_EQ(static_cast<int>(run.owner.shown.size()), c.waits);
    EXPECT_EQ(run.owner.waitTimers, std::vector<int>(static_cast<size_t>(c.waits), 0));
    EXPECT_EQ(run.owner.waitMs, std::vector<int>(static_cast<size_t>(c.waits), 100));
    EXPECT_EQ(run.owner.counters.checked, c.files);
    EXPECT_EQ(run.owner.messages.at(0).caption, "Success");
  }
}

TEST_F(PreparationTest, DeletionStagesRemoveWhatTheirRowsMatch) {
  const std::array<std::string, 1> required = {"1.0.0"};
  const std::array<DeleteRule, 1> prefixRows = {{{"VODeVevuza\\Scenery", "OLD", "*", "", ""}}};
  const std::array<DeleteRule, 1> containingRows = {{{"VEZiRuru\\Scenery", "", "TMP", "", ""}}};
  const ProductConfig config("P", "2", required, "F", kPatch,
                             ProductConfig::Tables{{}, prefixRows, containingRows});
  const std::string vez = "C:\\FSX\\SCENERY\\VEZiRuru\\Scenery\\";
  mem.AddFile(kVod + "OLD1.BGL");
  mem.AddFile(kVod + "old2");
  mem.AddFile(kVod + "L1L_0001.XXX");  // no toggle rules in this configuration
  mem.AddFile(vez + "aTmpb.BGL");
  mem.AddFile(vez + "TMP");
  mem.AddFile(vez + "keep.BGL");

  RunPass(config);

  EXPECT_EQ(mem.List(kVod), std::vector<std::string>{"L1L_0001.XXX"});
  EXPECT_EQ(mem.List(vez), std::vector<std::string>{"keep.BGL"});
  ExpectCounters(4, 0, 4);
  EXPECT_EQ(owner.Waits(), 1);
  ExpectSucceeded();

  // A folder the rows match is not a file to delete: it stays and the run fails.
  Session run;
  run.mem.AddFolder(kVod + "OLDSTUFF");
  run.mem.AddFile(kVod + "OLDSTUFF\\inside.BGL");
  run.RunPass(config);
  EXPECT_TRUE(run.mem.Content(kVod + "OLDSTUFF\\inside.BGL"));
  EXPECT_EQ(run.owner.counters.checked, 1);
  EXPECT_EQ(run.owner.messages.at(0).caption, "Error");
}

TEST_F(PreparationTest, FolderWithTrailingBackslashIsUsedAsGiven) {
  owner.simFolder = "C:\\FSX\\";
  mem.AddFile(kVod + "L1L_0001.XXX");
  RunPass();
  EXPECT_TRUE(mem.Content(kVod + "L1L_0001.BGL"));
  ExpectCounters(1, 1, 0);
}

}  // namespace
}  // namespace svx
