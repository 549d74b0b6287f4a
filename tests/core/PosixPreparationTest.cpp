// The preparation pass over a real folder tree through the POSIX file layer.
#include "prep/Preparation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/PosixFileSystem.h"
#include "support/PrepFaultyFileSystem.h"
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

// Another program changes the letter case of every pair's target after the
// pass read their folder, in folders large enough that the pass's own removals
// make each listing compact part-way: each source must still go, each target
// keep its content under its new spelling, and nothing else be touched. Which
// entry a stale reference would reach depends on the order the disk lists a
// folder in, so four folders give four chances to go wrong.
TEST_F(PreparationOnDiskTest, FollowsTargetsRenamedInLetterCaseAcrossACompactingListing) {
  constexpr int kPairs = 800;
  const struct {
    std::string folder, prefix;
  } rules[] = {{"FSX/SCENERY/VODeVevuza/Scenery/", "L1L"},
               {"FSX/SCENERY/VEZiRuru/Scenery/", "RR1"},
               {"FSX/SCENERY/ZUReDivi/Scenery/", "BR1"},
               {"FSX/SCENERY/ZOVeRodov/Scenery/", "HL1"}};
  auto base = [](const std::string& prefix, int i) {
    const std::string digits = std::to_string(i);
    return prefix + "_" + std::string(6 - digits.size(), '0') + digits;
  };
  auto lowered = [](std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  for (const auto& r : rules) {
    for (int i = 0; i < kPairs; ++i) {
      tmp.Write(r.folder + base(r.prefix, i) + ".XXX", "source " + std::to_string(i));
      tmp.Write(r.folder + base(r.prefix, i) + ".BGL", "target " + std::to_string(i));
    }
  }
  test::PrepFaultyFileSystem racing(files);
  racing.afterEnumerate = [&](const std::string& pattern) {
    for (const auto& r : rules) {
      if (pattern.find("\\" + r.prefix + "*") == std::string::npos) continue;
      for (int i = 0; i < kPairs; ++i) {
        const std::string name = base(r.prefix, i) + ".BGL";
        std::filesystem::rename(tmp.Path() / (r.folder + name),
                                tmp.Path() / (r.folder + lowered(name)));
      }
    }
  };

  RunPreparation(owner, racing);

  for (const auto& r : rules) {
    SCOPED_TRACE(r.folder);
    size_t left = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path() / r.folder)) {
      (void)e;
      ++left;
    }
    EXPECT_EQ(left, static_cast<size_t>(kPairs));
    for (int i = 0; i < kPairs; ++i) {
      const std::string name = base(r.prefix, i);
      ASSERT_EQ(tmp.Read(r.folder + lowered(name + ".BGL")), "target " + std::to_string(i));
      ASSERT_FALSE(tmp.Has(r.folder + name + ".XXX")) << name;
    }
  }
  EXPECT_EQ(owner.counters.removed, 4 * kPairs);
  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].caption, "Success");
}

// What the pass cannot see or act on must never end in "Success", and what
// another program changes after the folder was read must not cost a file.
TEST(PreparationOnDiskFaults, NeverReportsSuccessForFilesItCouldNotSeeOrKeep) {
  const std::string vod = "FSX/SCENERY/VODeVevuza/Scenery/";
  struct Case {
    const char* what;
    std::map<std::string, std::string> before;  // files below the temporary folder
    std::set<std::string> unreadable;           // folders whose listing fails (as mode 711)
    std::function<void(TempDir&)> arrange;      // what plain files cannot express
    std::function<void(TempDir&)> duringPass;   // another program, in the first wait
    std::function<void(TempDir&)> whileHeld;    // another program, as a source is removed
    std::map<std::string, std::string> after;   // files that must hold this content
    std::vector<std::string> gone;
    int checked, renamed, removed;
    bool succeeded;
  } cases[] = {
      {"a target moved away after its folder was read is not counted on",
       {{vod + "L1P_0001.XXX", "source"}, {vod + "L1P_0001.BGL", "target"}},
       {},
       nullptr,
       [&](TempDir& t) {
         std::filesystem::rename(t.Path() / (vod + "L1P_0001.BGL"), t.Path() / "moved.BGL");
       },
       nullptr,
       {{vod + "L1P_0001.BGL", "source"}, {"moved.BGL", "target"}},
       {vod + "L1P_0001.XXX"},
       2,
       1,
       0,
       true},
      {"a target that links to its own source keeps the source",
       {{vod + "L1L_s.XXX", "only copy"}},
       {},
       [&](TempDir& t) {
         std::filesystem::create_symlink("L1L_s.XXX", t.Path() / (vod + "L1L_s.BGL"));
       },
       nullptr,
       nullptr,
       {{vod + "L1L_s.XXX", "only copy"}},
       {},
       2,
       0,
       0,
       false},
      {"a simulator folder that can be entered but not listed",
       {{vod + "L1L_0001.XXX", "x"}},
       {"FSX"},
       nullptr,
       nullptr,
       nullptr,
       {{vod + "L1L_0001.BGL", "x"}},
       {vod + "L1L_0001.XXX"},
       1,
       1,
       0,
       true},
      {"beneath a folder not listed, a name spelled otherwise is unknown, not missing",
       {{"FSX/SCENERY/vodevevuza/Scenery/L1L_0001.XXX", "x"}},
       {"FSX/SCENERY"},
       nullptr,
       nullptr,
       nullptr,
       {{"FSX/SCENERY/vodevevuza/Scenery/L1L_0001.XXX", "x"}},
       {},
       0,
       0,
       0,
       false},
      {"a rule folder that cannot be listed fails the run, the others are done",
       {{vod + "L1L_0001.XXX", "x"}, {"FSX/SCENERY/ROVuzu/Scenery/BRUA.XXX", "y"}},
       {vod.substr(0, vod.size() - 1)},
       nullptr,
       nullptr,
       nullptr,
       {{vod + "L1L_0001.XXX", "x"}, {"FSX/SCENERY/ROVuzu/Scenery/BRUA.BGL", "y"}},
       {},
       1,
       1,
       0,
       false},
      {"a file beside a folder whose name differs only in case is renamed",
       {{vod + "l1l_0001.xxx", "file"}, {vod + "L1L_0001.XXX/inner", "in folder"}},
       {},
       nullptr,
       nullptr,
       nullptr,
       // The new name takes the base as listed: the folder's spelling comes first.
       {{vod + "L1L_0001.BGL", "file"}, {vod + "L1L_0001.XXX/inner", "in folder"}},
       {vod + "l1l_0001.xxx"},
       2,
       1,
       0,
       true},
      {"a name holding a backslash is counted and fails the run",
       {{vod + "L1La\\b.XXX", "odd"}, {vod + "L1L_0001.XXX", "x"}},
       {},
       nullptr,
       nullptr,
       nullptr,
       {{vod + "L1La\\b.XXX", "odd"}, {vod + "L1L_0001.BGL", "x"}},
       {},
       2,
       1,
       0,
       false},
      {"a target renamed in letter case while its folder is read again is still found",
       {{vod + "L1P_0001.XXX", "s1"},
        {vod + "L1P_0001.BGL", "t1"},
        {vod + "L1P_0002.XXX", "s2"},
        {vod + "L1P_0002.BGL", "t2"}},
       {},
       nullptr,
       [&](TempDir& t) {
         // The first pair's stale name has the folder read again while the
         // second pair's target is away, as a reading can miss a name that is
         // renamed while it runs.
         std::filesystem::rename(t.Path() / (vod + "L1P_0001.BGL"),
                                 t.Path() / (vod + "l1p_0001.bgl"));
         std::filesystem::rename(t.Path() / (vod + "L1P_0002.BGL"), t.Path() / "away");
       },
       [&](TempDir& t) {
         if (t.Has("away")) {
           std::filesystem::rename(t.Path() / "away", t.Path() / (vod + "l1p_0002.bgl"));
         }
       },
       {{vod + "l1p_0001.bgl", "t1"}, {vod + "l1p_0002.bgl", "t2"}},
       {vod + "L1P_0001.XXX", vod + "L1P_0002.XXX", vod + "L1P_0002.BGL"},
       4,
       0,
       2,
       true},
      {"a target moved away while its source is removed takes its name back",
       {{vod + "L1P_0001.XXX", "source"}, {vod + "L1P_0001.BGL", "target"}},
       {},
       nullptr,
       nullptr,
       [&](TempDir& t) {
         std::filesystem::rename(t.Path() / (vod + "L1P_0001.BGL"), t.Path() / "moved.BGL");
       },
       {{vod + "L1P_0001.BGL", "target"}, {"moved.BGL", "target"}},
       {vod + "L1P_0001.XXX"},
       2,
       0,
       1,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    tmp.Write("SvxKmV11.exe", "xxxx");
    for (const auto& [path, content] : c.before) tmp.Write(path, content);
    if (c.arrange) c.arrange(tmp);
    std::set<std::string> refused;
    for (const std::string& folder : c.unreadable) refused.insert((tmp.Path() / folder).string());
    PosixFileSystem files(PosixFileSystem::Options{
        tmp.Str() + "/prefix", tmp.Str(),
        [&](const std::string& folder) { return refused.count(folder) > 0; },
        [&](const std::string&) {
          if (c.whileHeld) c.whileHeld(tmp);
        }});
    PrepRecordingOwner owner(tmp.Str() + "/FSX");
    bool waited = false;
    owner.onWait = [&] {
      if (c.duringPass && !waited) c.duringPass(tmp);
      waited = true;
    };

    RunPreparation(owner, files);

    for (const auto& [path, content] : c.after) EXPECT_EQ(tmp.Read(path), content) << path;
    for (const std::string& path : c.gone) EXPECT_FALSE(tmp.Has(path)) << path;
    EXPECT_EQ(owner.counters.checked, c.checked);
    EXPECT_EQ(owner.counters.renamed, c.renamed);
    EXPECT_EQ(owner.counters.removed, c.removed);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].caption, c.succeeded ? "Success" : "Error");
    EXPECT_EQ(tmp.Read("SvxKmV11.exe"), c.succeeded ? "MZxx" : "xxxx");
  }
}

}  // namespace
}  // namespace svx
