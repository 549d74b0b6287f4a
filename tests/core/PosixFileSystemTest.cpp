// The POSIX file layer: the factory of the shared file-system cases, and the
// cases only Linux has (names differing only in case side by side, Wine drive
// links, symbolic links).
#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/NoReplaceRename.h"
#include "support/FakePrefix.h"
#include "support/FileSystemUnderTest.h"
#include "support/TempDir.h"

namespace svx {

std::unique_ptr<FileSystem> test::MakeFileSystemUnderTest() {
  return std::make_unique<PosixFileSystem>();
}

namespace {

namespace stdfs = std::filesystem;
using test::KindName;
using test::NamesOnDisk;
using test::TempDir;

struct FsOptions {
  std::string winePrefix;
  std::string currentDirectory;
};

std::unique_ptr<FileSystem> MakeFileSystemUnderTest(const FsOptions& options = {}) {
  return std::make_unique<PosixFileSystem>(
      PosixFileSystem::Options{options.winePrefix, options.currentDirectory});
}

using test::FileSystemTest;

// Two stored names that differ only in case can exist on Linux alone: the exact
// spelling wins, otherwise the first in byte order, for folders as for files.
TEST_P(FileSystemTest, PrefersTheExactCaseThenByteOrderAmongNamesDifferingInCase) {
  tmp_.Write("FSX/terrain.cfg", "lower");
  tmp_.Write("FSX/TERRAIN.CFG", "upper");
  tmp_.Write("FSX/Terrain.cfg", "mixed");
  tmp_.Write("FSX/Scenery/x", "in Scenery");
  tmp_.Write("FSX/SCENERY/x", "in SCENERY");

  struct Case {
    const char* path;
    const char* content;
  } cases[] = {
      {"FSX\\terrain.cfg", "lower"},     {"FSX\\TERRAIN.CFG", "upper"},
      {"FSX\\Terrain.cfg", "mixed"},     {"FSX\\tERRAIN.cfg", "upper"},
      {"FSX\\Scenery\\X", "in Scenery"}, {"FSX\\scenery\\X", "in SCENERY"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(files_->ReadFile(W(c.path), 100), c.content);
  }

  EXPECT_TRUE(files_->Remove(W("FSX\\terrain.CFG")));
  EXPECT_EQ(NamesOnDisk(tmp_.Path() / "FSX"),
            (std::vector<std::string>{"SCENERY", "Scenery", "Terrain.cfg", "terrain.cfg"}));
  EXPECT_EQ(files_->ReadFile(W("FSX\\terrain.CFG"), 100), "mixed");
}

// Among names that differ only in case, the kind looked for wins: a folder
// "L1L.XXX" must not hide the file "l1l.xxx", nor a file "SCENERY" the folder
// "Scenery" on the way to what it holds.
TEST_P(FileSystemTest, PrefersTheKindLookedForAmongNamesDifferingInCase) {
  tmp_.Write("S/l1l.xxx", "file");
  tmp_.Write("S/L1L.XXX/inner", "in folder");
  tmp_.Write("S/SCENERY", "a file");
  tmp_.Write("S/Scenery/x", "x");

  EXPECT_EQ(files_->ReadFile(W("S\\L1L.XXX"), 100), "file");
  EXPECT_EQ(files_->Kind(W("S\\L1L.XXX\\")), PathKind::kFolder);
  EXPECT_EQ(files_->ReadFile(W("S\\L1L.XXX\\inner"), 100), "in folder");
  EXPECT_EQ(files_->ReadFile(W("S\\SCENERY\\x"), 100), "x");
  EXPECT_EQ(files_->ReadFile(W("S\\SCENERY"), 100), "a file");
  EXPECT_TRUE(files_->Rename(W("S\\L1L.XXX"), W("S\\L1L.BGL")));
  EXPECT_EQ(NamesOnDisk(tmp_.Path() / "S"),
            (std::vector<std::string>{"L1L.BGL", "L1L.XXX", "SCENERY", "Scenery"}));
  EXPECT_EQ(tmp_.Read("S/L1L.BGL"), "file");
}

// A folder that can be entered but not listed (mode 711 for another user; the
// layer's seam stands in for it, as tests run as root): its entries are still
// reached by their exact names, but what it holds is unknown, not empty.
TEST_P(FileSystemTest, ReachesEntriesOfAFolderThatCannotBeListed) {
  tmp_.Write("FSX/SCENERY/Vod/Scenery/L1L.XXX", "x");
  tmp_.MakeDir("Other");
  const std::string refused = (tmp_.Path() / "FSX").string();
  files_ = std::make_unique<PosixFileSystem>(PosixFileSystem::Options{
      "", "", [&](const std::string& folder) { return folder == refused; }});
  if (InPass()) files_->BeginPass();

  using Names = std::optional<std::vector<std::string>>;
  struct Case {
    const char* pattern;
    Names names;
  } cases[] = {
      {"FSX\\SCENERY\\Vod\\Scenery\\L1L*.*", std::vector<std::string>{"L1L.XXX"}},
      {"FSX\\*", std::nullopt},
      {"FSX\\scenery\\Vod\\Scenery\\*", std::nullopt},  // another spelling may be stored
      {"Other\\Missing\\*", std::vector<std::string>{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(files_->Enumerate(W(c.pattern)), c.names);
  }
  EXPECT_EQ(files_->Kind(W("FSX\\SCENERY\\Vod\\Scenery\\l1l.xxx")), PathKind::kFile);
  EXPECT_TRUE(files_->Rename(W("FSX\\SCENERY\\Vod\\Scenery\\L1L.XXX"),
                             W("FSX\\SCENERY\\Vod\\Scenery\\L1L.BGL")));
  EXPECT_EQ(tmp_.Read("FSX/SCENERY/Vod/Scenery/L1L.BGL"), "x");
}

// Drive letters map through the drive links of a Wine prefix.
class DriveLinkTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    test::FakePrefix(tmp_.Path() / "prefix").Drive('z', "/");
    tmp_.Write("prefix/drive_c/FSX/TERRAIN.CFG", "terrain");
    tmp_.Write("prefix/drive_c/FSX/SCENERY/L1L.XXX", "scenery");
    tmp_.Write("prefix/secret.txt", "outside the drive");
    files_ = MakeFileSystemUnderTest({(tmp_.Path() / "prefix").string(), ""});
    if (GetParam()) files_->BeginPass();
  }
  void TearDown() override {
    if (GetParam()) files_->EndPass();
  }

  TempDir tmp_;
  std::unique_ptr<FileSystem> files_;
};

TEST_P(DriveLinkTest, MapsDriveLettersThroughThePrefix) {
  std::string tmpBack = tmp_.Str();
  std::replace(tmpBack.begin(), tmpBack.end(), '/', '\\');
  struct Case {
    std::string path;
    PathKind kind;
  } cases[] = {
      {"C:\\FSX\\TERRAIN.CFG", PathKind::kFile},
      {"c:/fsx/terrain.cfg", PathKind::kFile},
      {"C:\\\\FSX\\\\Terrain.cfg", PathKind::kFile},
      {"C:\\", PathKind::kFolder},
      {"c:", PathKind::kFolder},
      {"C:\\..\\FSX\\TERRAIN.CFG", PathKind::kFile},  // ".." stops at the drive's root
      {"C:\\..\\secret.txt", PathKind::kMissing},
      {"C:\\..\\dosdevices", PathKind::kMissing},
      {"D:\\FSX\\TERRAIN.CFG", PathKind::kMissing},
      {"Z:" + tmpBack + "\\PREFIX\\drive_c\\FSX\\terrain.CFG", PathKind::kFile},
      {"z:" + tmp_.Str() + "/prefix/DRIVE_C/fsx", PathKind::kFolder},
      {tmp_.Str() + "/prefix/drive_c/FSX/TERRAIN.CFG", PathKind::kFile},
      {"\\\\server\\share\\FSX\\TERRAIN.CFG", PathKind::kMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_STREQ(KindName(files_->Kind(c.path)), KindName(c.kind));
  }

  EXPECT_EQ(files_->Enumerate("C:\\fsx\\scenery\\L1L*.*"), std::vector<std::string>{"L1L.XXX"});
  EXPECT_TRUE(files_->Rename("C:\\FSX\\\\SCENERY\\L1L.XXX", "c:/fsx/scenery/L1L.BGL"));
  EXPECT_EQ(tmp_.Read("prefix/drive_c/FSX/SCENERY/L1L.BGL"), "scenery");
}

// The one way from a folder as the user gave it to the folder on disk, which
// the launcher takes too: it must reach what every other call reaches.
TEST_P(DriveLinkTest, GivesTheHostPathOfAWindowsOrLinuxPathInAnyLetterCase) {
  auto* files = static_cast<PosixFileSystem*>(files_.get());
  const std::string fsx = tmp_.Str() + "/prefix/drive_c/FSX";
  std::string tmpBack = tmp_.Str();
  std::replace(tmpBack.begin(), tmpBack.end(), '/', '\\');
  const struct {
    std::string path;
    std::optional<std::string> host;
  } cases[] = {
      {"C:\\FSX", fsx},
      {"c:/fsx/scenery/", fsx + "/SCENERY"},
      {"C:\\fsx\\terrain.cfg", fsx + "/TERRAIN.CFG"},
      {tmp_.Str() + "/PREFIX/Drive_C/fsx", fsx},
      {tmp_.Str() + "\\prefix\\DRIVE_C\\Fsx\\", fsx},
      {"Z:" + tmpBack + "\\Prefix\\drive_c\\FSX", fsx},
      {"C:\\", (stdfs::canonical(tmp_.Path() / "prefix/drive_c")).string()},
      {"C:\\FSX\\TERRAIN.CFG\\", std::nullopt},
      {"C:\\Missing", std::nullopt},
      {"D:\\FSX", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(files->HostPath(c.path), c.host);
  }
}

INSTANTIATE_TEST_SUITE_P(Cache, DriveLinkTest, ::testing::Values(false, true), test::PassParamName);

TEST(FileSystemRelativePaths, StartFromTheCurrentDirectory) {
  TempDir tmp;
  tmp.Write("work/svxkmv11.EXE", "patch");
  tmp.Write("other/X.txt", "other");
  auto files = MakeFileSystemUnderTest({"", (tmp.Path() / "work").string()});

  EXPECT_EQ(files->ReadFile("SvxKmV11.exe", 100), "patch");
  EXPECT_EQ(files->ReadFile("sub\\..\\SVXKMV11.exe", 100), "patch");
  EXPECT_EQ(files->ReadFile("..\\OTHER\\x.txt", 100), "other");
  EXPECT_EQ(files->Kind("missing.exe"), PathKind::kMissing);
}

// Linux-only cases: links and the no-replace fallback.
TEST(PosixFileSystem, TreatsADanglingLinkAsMissingButItsNameAsTaken) {
  TempDir tmp;
  tmp.Write("S/L1L.XXX", "source");
  stdfs::create_symlink(tmp.Path() / "nowhere", tmp.Path() / "S/L1L.BGL");
  PosixFileSystem files;

  EXPECT_EQ(files.Kind(tmp.Str() + "\\S\\l1l.bgl"), PathKind::kMissing);
  EXPECT_FALSE(files.Rename(tmp.Str() + "\\S\\L1L.XXX", tmp.Str() + "\\S\\L1L.BGL"));
  EXPECT_EQ(tmp.Read("S/L1L.XXX"), "source");
}

// Every way of the ladder works on the local disk too, so each can be checked
// here; which one a volume takes is checked on the volumes themselves.
TEST(PosixFileSystem, RenamesWithoutReplaceByEveryWay) {
  for (RenameWay start : {RenameWay::kNoReplace, RenameWay::kLink, RenameWay::kClaim}) {
    SCOPED_TRACE(static_cast<int>(start));
    TempDir tmp;
    tmp.Write("a", "a");
    tmp.Write("b", "b");
    tmp.Write("empty");
    const auto at = [&](const char* name) { return (tmp.Path() / name).string(); };
    RenameWay way = start;
    for (const char* taken : {"b", "empty"}) {
      EXPECT_FALSE(RenameWithoutReplace(at("a"), at(taken), way)) << taken;
      EXPECT_EQ(errno, EEXIST);
    }
    EXPECT_TRUE(RenameWithoutReplace(at("a"), at("c"), way));
    EXPECT_EQ(way, start);
    EXPECT_EQ(NamesOnDisk(tmp.Path()), (std::vector<std::string>{"b", "c", "empty"}));
    EXPECT_EQ(tmp.Read("b"), "b");
    EXPECT_EQ(tmp.Read("c"), "a");
    // An empty file beside a source is the claim of a stopped rename only on a
    // volume that renames by claims; here it is kept.
    struct stat empty;
    ASSERT_EQ(::stat(at("empty").c_str(), &empty), 0);
    UniqueFd held(::open(at("empty").c_str(), O_RDONLY | O_CLOEXEC));
    RenameWay unknown = RenameWay::kNoReplace;
    EXPECT_FALSE(FinishStoppedRename(at("c"), at("empty"), empty, held, unknown));
    EXPECT_TRUE(held);
    EXPECT_EQ(tmp.Read("c"), "a");
    EXPECT_EQ(tmp.Read("empty"), "");
  }
}

// Nothing stops another program from moving a held target away on Linux: the
// source is already gone when that shows, so the held file takes its name back.
TEST(PosixFileSystem, PutsAHeldTargetBackWhenItsNameWasFreedMeanwhile) {
  const struct {
    const char* what;
    std::function<void(TempDir&)> whileHeld;  // another program
    RemovalOutcome outcome;
    std::string targetNow;  // content at the target's name afterwards, "" for none
    std::vector<std::string> names;
  } cases[] = {
      {"moved to another folder: linked back",
       [](TempDir& t) { stdfs::rename(t.Path() / "S/L1L.BGL", t.Path() / "moved"); },
       RemovalOutcome::kRemoved,
       "target",
       {"L1L.BGL"}},
      {"moved and its last name removed, as across file systems: copied back",
       [](TempDir& t) {
         stdfs::rename(t.Path() / "S/L1L.BGL", t.Path() / "moved");
         stdfs::remove(t.Path() / "moved");
       },
       RemovalOutcome::kRemoved,
       "target",
       {"L1L.BGL"}},
      {"a file another program put in its place is left to it",
       [](TempDir& t) {
         stdfs::rename(t.Path() / "S/L1L.BGL", t.Path() / "moved");
         t.Write("S/l1l.bgl", "theirs");
       },
       RemovalOutcome::kRemoved,
       "theirs",
       {"l1l.bgl"}},
      {"a folder in its place leaves the pair without a file: a failure",
       [](TempDir& t) {
         stdfs::rename(t.Path() / "S/L1L.BGL", t.Path() / "moved");
         t.MakeDir("S/L1L.BGL");
       },
       RemovalOutcome::kFailed,
       "",
       {"L1L.BGL"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    tmp.Write("S/L1L.XXX", "source");
    tmp.Write("S/L1L.BGL", "target");
    stdfs::permissions(tmp.Path() / "S/L1L.BGL", stdfs::perms::owner_read);
    const auto written = stdfs::last_write_time(tmp.Path() / "S/L1L.BGL") - std::chrono::hours(1);
    stdfs::last_write_time(tmp.Path() / "S/L1L.BGL", written);
    PosixFileSystem files(PosixFileSystem::Options{tmp.Str() + "/prefix", tmp.Str(), nullptr,
                                                   [&](const std::string&) { c.whileHeld(tmp); }});
    PassScope pass(files);
    const std::string s = tmp.Str() + "\\S\\";
    ASSERT_EQ(files.Kind(s + "L1L.BGL"), PathKind::kFile);

    EXPECT_EQ(files.RemoveRedundant(s + "L1L.XXX", s + "L1L.BGL"), c.outcome);
    // Nothing else is left in the folder, no temporary name either.
    EXPECT_EQ(NamesOnDisk(tmp.Path() / "S"), c.names);
    if (c.targetNow.empty()) continue;
    EXPECT_EQ(tmp.Read("S/" + c.names[0]), c.targetNow);
    EXPECT_EQ(files.Kind(s + "L1L.BGL"), PathKind::kFile);
    EXPECT_EQ(files.Kind(s + "L1L.XXX"), PathKind::kMissing);
    if (c.targetNow == "target") {
      // A copy is the same file to the simulator and to a later backup.
      const auto st = stdfs::status(tmp.Path() / "S/L1L.BGL");
      EXPECT_EQ(st.permissions(), stdfs::perms::owner_read);
      EXPECT_EQ(stdfs::last_write_time(tmp.Path() / "S/L1L.BGL"), written);
    }
  }
}

// Another program changes only the letter case of a name after the pass read
// the folder: the name is still taken, by the same file. Taken as gone, the
// target's name would be given to the source beside it (two files, one name
// to Windows), or the source would stay beside its target. The pass's look at
// the stale name must not cost it the source's own entry either, also when the
// stale name was a folder, whose going makes the cache start afresh.
TEST(PosixFileSystem, FollowsANameWhoseLetterCaseChangedAfterThePassListedIt) {
  const struct {
    const char* what;
    bool targetListedAsFolder;
    std::function<void(TempDir&)> change;
    std::vector<std::string> names;
  } cases[] = {
      {"the target",
       false,
       [](TempDir& t) { stdfs::rename(t.Path() / "S/L1L.BGL", t.Path() / "S/l1l.bgl"); },
       {"l1l.bgl"}},
      {"the source",
       false,
       [](TempDir& t) { stdfs::rename(t.Path() / "S/L1L.XXX", t.Path() / "S/l1l.xxx"); },
       {"L1L.BGL"}},
      {"a folder in the target's place, then a file in other letter case",
       true,
       [](TempDir& t) {
         stdfs::remove(t.Path() / "S/L1L.BGL");
         t.Write("S/l1l.bgl", "target");
       },
       {"l1l.bgl"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    tmp.Write("S/L1L.XXX", "source");
    if (c.targetListedAsFolder) {
      tmp.MakeDir("S/L1L.BGL");
    } else {
      tmp.Write("S/L1L.BGL", "target");
    }
    PosixFileSystem files;
    PassScope pass(files);
    const std::string s = tmp.Str() + "\\S\\";
    ASSERT_EQ(files.Kind(s + "L1L.BGL"),
              c.targetListedAsFolder ? PathKind::kFolder : PathKind::kFile);
    ASSERT_EQ(files.Kind(s + "L1L.XXX"), PathKind::kFile);
    c.change(tmp);

    EXPECT_EQ(files.RemoveRedundant(s + "L1L.XXX", s + "L1L.BGL"), RemovalOutcome::kRemoved);
    EXPECT_EQ(NamesOnDisk(tmp.Path() / "S"), c.names);
    EXPECT_EQ(tmp.Read("S/" + c.names[0]), "target");
    EXPECT_EQ(files.Kind(s + "L1L.XXX"), PathKind::kMissing);
    EXPECT_EQ(files.Kind(s + "L1L.BGL"), PathKind::kFile);
  }
}

// Wine keeps the old spelling when only the letter case of a name changes
// (Windows takes the new one), and lists names without regard to case; the
// POSIX layer does as Windows does and lists in byte order.
TEST(PosixFileSystem, RenamesToANewLetterCaseAndListsInByteOrder) {
  TempDir tmp;
  tmp.Write("Scenery/l1l.bgl", "x");
  tmp.Write("Scenery/L1L.XXX", "y");
  PosixFileSystem files;
  EXPECT_TRUE(files.Rename(tmp.Str() + "\\Scenery\\l1l.bgl", tmp.Str() + "\\Scenery\\L1L.BGL"));
  EXPECT_EQ(NamesOnDisk(tmp.Path() / "Scenery"), (std::vector<std::string>{"L1L.BGL", "L1L.XXX"}));
  tmp.Write("Scenery/l1l_2.bgl", "z");
  EXPECT_EQ(files.Enumerate(tmp.Str() + "\\Scenery\\*"),
            (std::vector<std::string>{"L1L.BGL", "L1L.XXX", "l1l_2.bgl"}));
}

}  // namespace
}  // namespace svx
