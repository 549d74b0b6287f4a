// The file system as the tool sees it: a case-insensitive Windows volume. The
// on-disk set-up uses std::filesystem only, and the file system under test comes
// from one factory (FileSystemUnderTest.h), defined once per platform, so these
// cases check the POSIX layer and, in the Windows build, the Win32 layer under
// Wine's real system calls.
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FileSystemUnderTest.h"
#include "support/TempDir.h"

namespace svx {
namespace {

namespace stdfs = std::filesystem;
using test::KindName;
using test::MakeFileSystemUnderTest;
using test::NamesOnDisk;
using test::TempDir;

using test::FileSystemTest;

INSTANTIATE_TEST_SUITE_P(Cache, FileSystemTest, ::testing::Values(false, true),
                         test::PassParamName);

TEST_P(FileSystemTest, ResolvesEveryComponentWithoutRegardToCaseOrSeparators) {
  tmp_.Write("FSX/TERRAIN.CFG", "terrain");
  tmp_.Write("FSX/SCENERY/VODeVevuza/Scenery/L1L_0001.bgl", "bgl");

  struct Case {
    const char* path;
    PathKind kind;
  } cases[] = {
      {"FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.bgl", PathKind::kFile},
      {"fsx\\scenery\\vodevevuza\\SCENERY\\l1l_0001.BGL", PathKind::kFile},
      {"FSX\\Scenery", PathKind::kFolder},
      {"FSX\\SCENERY\\", PathKind::kFolder},
      {"FSX\\\\SCENERY//vodevevuza\\/Scenery\\\\L1L_0001.BGL", PathKind::kFile},
      {"FSX\\.\\SCENERY\\..\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.BGL", PathKind::kFile},
      {"FSX\\SCENERY\\..\\..\\FSX\\terrain.cfg", PathKind::kFile},
      {"FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.XXX", PathKind::kMissing},
      {"FSX\\SCENERX\\VODeVevuza\\Scenery\\L1L_0001.bgl", PathKind::kMissing},
      // A file is no folder: neither with a trailing separator nor as a parent.
      {"FSX\\TERRAIN.CFG\\", PathKind::kMissing},
      {"FSX\\TERRAIN.CFG\\x", PathKind::kMissing},
      {"FSX\\TERRAIN.CF*", PathKind::kMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_STREQ(KindName(files_->Kind(W(c.path))), KindName(c.kind));
  }
  EXPECT_EQ(files_->ReadFile(W("fsx/Terrain.Cfg"), 100), "terrain");
  EXPECT_EQ(files_->Kind(""), PathKind::kMissing);
  EXPECT_EQ(files_->Kind(W("FSX") + std::string("\0\\TERRAIN.CFG", 13)), PathKind::kMissing);
}

TEST_P(FileSystemTest, EnumeratesByWindowsWildcards) {
  const stdfs::path dir = tmp_.MakeDir("FSX/SCENERY/ROVuzu/Scenery");
  for (const char* name : {"L1L_0001.XXX", "L1L_0002.bgl", "L1L", "BRUA", "BRUA.XXX", "brua.bgl",
                           "BRUA1.BGL", "L2L_0001.XXX", "notes.txt"}) {
    tmp_.Write("FSX/SCENERY/ROVuzu/Scenery/" + std::string(name), name);
  }
  tmp_.MakeDir("FSX/SCENERY/ROVuzu/Scenery/l1lsub");

  using Names = std::vector<std::string>;
  struct Case {
    const char* pattern;
    Names names;
  } cases[] = {
      {"L1L*.*", {"L1L", "L1L_0001.XXX", "L1L_0002.bgl", "l1lsub"}},
      {"BRUA.*", {"BRUA", "BRUA.XXX", "brua.bgl"}},
      {"*1*.*", {"BRUA1.BGL", "L1L", "L1L_0001.XXX", "L1L_0002.bgl", "L2L_0001.XXX", "l1lsub"}},
      {"*.xxx", {"BRUA.XXX", "L1L_0001.XXX", "L2L_0001.XXX"}},
      {"l1l_0001.xxx", {"L1L_0001.XXX"}},
      {"*",
       {"BRUA", "BRUA.XXX", "BRUA1.BGL", "L1L", "L1L_0001.XXX", "L1L_0002.bgl", "L2L_0001.XXX",
        "brua.bgl", "l1lsub", "notes.txt"}},
      {"Q*.*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    // The order is the file system's: byte order from the POSIX layer, letter
    // case ignored from Windows (NTFS, and Wine); the pass needs no order.
    Names found =
        files_->Enumerate(W("fsx\\SCENERY\\rovuzu\\scenery\\") + c.pattern).value_or(Names{"?"});
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, c.names);
  }
  EXPECT_EQ(files_->Enumerate(W("FSX\\SCENERY\\Missing\\Scenery\\L1L*.*")), Names{});
  EXPECT_EQ(files_->Enumerate(W("FSX\\SCENERY\\ROVuzu\\Scenery\\")), Names{});
  EXPECT_EQ(files_->Enumerate(W("FSX\\SCENERY\\ROVuzu\\Scenery\\notes.txt\\*")), Names{});
}

TEST_P(FileSystemTest, RenameNeverOverwritesAnEntryOfAnyCase) {
  struct Case {
    const char* title;
    std::vector<const char*> before;  // files on disk, content = own name
    const char* from;
    const char* to;
    bool renamed;
    std::vector<std::string> after;  // names in Scenery on disk afterwards
  } cases[] = {
      {"plain rename keeps the case given for the new name",
       {"L1L.XXX"},
       "scenery\\l1l.xxx",
       "SCENERY\\L1L.BGL",
       true,
       {"L1L.BGL"}},
      {"target of the same case exists",
       {"L1L.XXX", "L1L.BGL"},
       "Scenery\\L1L.XXX",
       "Scenery\\L1L.BGL",
       false,
       {"L1L.BGL", "L1L.XXX"}},
      {"target exists in another case",
       {"L1L.XXX", "L1L.bgl"},
       "Scenery\\L1L.XXX",
       "Scenery\\L1L.BGL",
       false,
       {"L1L.XXX", "L1L.bgl"}},
      {"target is a folder",
       {"L1L.XXX", "L1L.BGL/inner"},
       "Scenery\\L1L.XXX",
       "Scenery\\l1l.bgl",
       false,
       {"L1L.BGL", "L1L.XXX"}},
      {"source missing", {"L1L.BGL"}, "Scenery\\L1L.XXX", "Scenery\\L1L.BGL", false, {"L1L.BGL"}},
      {"target folder missing",
       {"L1L.XXX"},
       "Scenery\\L1L.XXX",
       "Nowhere\\L1L.BGL",
       false,
       {"L1L.XXX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir tmp;
    tmp.MakeDir("Scenery");
    for (const char* name : c.before) tmp.Write(std::string("Scenery/") + name, name);
    auto files = MakeFileSystemUnderTest();
    std::optional<PassScope> pass;
    if (InPass()) pass.emplace(*files);

    EXPECT_EQ(files->Rename(tmp.Str() + "\\" + c.from, tmp.Str() + "\\" + c.to), c.renamed);
    EXPECT_EQ(NamesOnDisk(tmp.Path() / "Scenery"), c.after);
    for (const char* name : c.before) {
      std::string stored = std::string("Scenery/") + name;
      if (tmp.Has(stored) && !stdfs::is_directory(tmp.Path() / stored)) {
        EXPECT_EQ(tmp.Read(stored), name) << stored;
      }
    }
  }
}

TEST_P(FileSystemTest, RenameFailsWhenTheTargetAppearsAfterItWasTested) {
  tmp_.Write("Scenery/L1L.XXX", "source");
  EXPECT_EQ(files_->Kind(W("Scenery\\L1L.BGL")), PathKind::kMissing);
  // Another program creates the target between the test and the rename.
  tmp_.Write("Scenery/L1L.BGL", "theirs");

  EXPECT_FALSE(files_->Rename(W("Scenery\\L1L.XXX"), W("Scenery\\L1L.BGL")));
  EXPECT_EQ(tmp_.Read("Scenery/L1L.XXX"), "source");
  EXPECT_EQ(tmp_.Read("Scenery/L1L.BGL"), "theirs");
}

TEST_P(FileSystemTest, TellsFoldersFromFilesAndNeverRemovesAFolder) {
  tmp_.Write("Scenery/L1L.BGL/inner", "kept");  // a folder named like a scenery file
  tmp_.Write("Scenery/L1L.XXX", "file");
  tmp_.Write("Scenery/RO.XXX", "read-only");
  stdfs::permissions(tmp_.Path() / "Scenery/RO.XXX", stdfs::perms::owner_read |
                                                         stdfs::perms::group_read |
                                                         stdfs::perms::others_read);

  EXPECT_EQ(files_->Kind(W("scenery\\l1l.bgl")), PathKind::kFolder);
  EXPECT_EQ(files_->Kind(W("scenery\\l1l.xxx")), PathKind::kFile);
  EXPECT_FALSE(files_->Remove(W("Scenery\\L1L.BGL")));
  EXPECT_EQ(tmp_.Read("Scenery/L1L.BGL/inner"), "kept");
  EXPECT_FALSE(files_->Remove(W("Scenery\\missing.BGL")));

  // Windows will not delete a read-only file, but renames it.
  EXPECT_FALSE(files_->Remove(W("Scenery\\RO.XXX")));
  EXPECT_TRUE(tmp_.Has("Scenery/RO.XXX"));
  EXPECT_TRUE(files_->Rename(W("Scenery\\RO.XXX"), W("Scenery\\RO.BGL")));
  EXPECT_EQ(tmp_.Read("Scenery/RO.BGL"), "read-only");

  EXPECT_TRUE(files_->Remove(W("SCENERY\\l1l.XXX")));
  EXPECT_FALSE(tmp_.Has("Scenery/L1L.XXX"));
  EXPECT_EQ(files_->Kind(W("Scenery\\L1L.XXX")), PathKind::kMissing);
}

TEST_P(FileSystemTest, OpensOnlyAnExistingWritableFileForUpdate) {
  tmp_.Write("work/SvxKmV11.exe", "XXrest");
  tmp_.Write("work/short.exe", "x");
  tmp_.Write("work/ro.exe", "ro");
  stdfs::permissions(tmp_.Path() / "work/ro.exe", stdfs::perms::owner_read);

  EXPECT_EQ(files_->OpenForUpdate(W("work\\absent.exe")), nullptr);
  EXPECT_FALSE(tmp_.Has("work/absent.exe"));
  EXPECT_EQ(files_->OpenForUpdate(W("work")), nullptr);
  EXPECT_EQ(files_->OpenForUpdate(W("work\\ro.exe")), nullptr);

  auto file = files_->OpenForUpdate(W("WORK\\svxkmv11.EXE"));
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->Write("MZ", 2));
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(tmp_.Read("work/SvxKmV11.exe"), "MZrest");

  file = files_->OpenForUpdate(W("work\\short.exe"));
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->Write("MZ", 2));
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(tmp_.Read("work/short.exe"), "MZ");
  EXPECT_FALSE(file->Write("MZ", 2));
}

TEST_P(FileSystemTest, ReadsOnlyWholeRegularFilesWithinTheLimit) {
  tmp_.Write("Q/PRODUCT.INI", "[Product]\nVersion=1.0.0\n");  // 24 bytes
  tmp_.MakeDir("Q/Folder.ini");
  EXPECT_EQ(files_->ReadFile(W("q\\product.ini"), 24), "[Product]\nVersion=1.0.0\n");
  EXPECT_EQ(files_->ReadFile(W("q\\product.ini"), 23), std::nullopt);
  EXPECT_EQ(files_->ReadFile(W("q\\folder.ini"), 100), std::nullopt);
  EXPECT_EQ(files_->ReadFile(W("q\\missing.ini"), 100), std::nullopt);
}

// The step that cannot be taken back: a source goes only while its target is
// another file on disk, whatever a pass has cached, and the cache then agrees.
TEST_P(FileSystemTest, RemovesASourceOnlyWhileItsTargetIsAnotherFileOnDisk) {
  for (const char* name :
       {"A.XXX", "A.BGL", "B.XXX", "D.XXX", "D.BGL", "E.XXX", "F.XXX", "G.XXX", "G.BGL", "H.BGL"}) {
    tmp_.Write(std::string("S/") + name, name);
  }
  stdfs::create_hard_link(tmp_.Path() / "S/B.XXX", tmp_.Path() / "S/B.BGL");
  tmp_.MakeDir("S/C.BGL");
  tmp_.Write("S/C.XXX", "C.XXX");
  tmp_.MakeDir("S/H.XXX");
  stdfs::permissions(tmp_.Path() / "S/G.XXX", stdfs::perms::owner_read);
  ASSERT_TRUE(files_->Enumerate(W("S\\*")));
  // Other programs, after the folder was read: one moves a target away, one
  // creates a target, one moves a source away.
  stdfs::rename(tmp_.Path() / "S/D.BGL", tmp_.Path() / "moved.BGL");
  tmp_.Write("S/E.BGL", "E.BGL");
  stdfs::rename(tmp_.Path() / "S/F.XXX", tmp_.Path() / "moved.XXX");

  const struct {
    const char* pair;
    RemovalOutcome outcome;
    bool sourceKept;
  } cases[] = {
      {"A", RemovalOutcome::kRemoved, false},
      {"b", RemovalOutcome::kNotRedundant, true},  // one file under two names
      {"C", RemovalOutcome::kNotRedundant, true},  // the target is a folder
      {"D", RemovalOutcome::kTargetGone, true},
      {"e", RemovalOutcome::kRemoved, false},
      {"F", RemovalOutcome::kSourceGone, false},
      {"G", RemovalOutcome::kFailed, true},  // read-only
      {"H", RemovalOutcome::kFailed, true},  // the source is a folder
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pair);
    const std::string base = std::string("S\\") + c.pair;
    EXPECT_EQ(files_->RemoveRedundant(W(base + ".xxx"), W(base + ".bgl")), c.outcome);
    const std::string stored = std::string("S/") + static_cast<char>(std::toupper(*c.pair));
    EXPECT_EQ(tmp_.Has(stored + ".XXX"), c.sourceKept);
    EXPECT_EQ(files_->Kind(W(base + ".xxx")) != PathKind::kMissing, c.sourceKept);
  }
  EXPECT_EQ(tmp_.Read("S/A.BGL"), "A.BGL");
  EXPECT_EQ(tmp_.Read("S/B.BGL"), "B.XXX");
  EXPECT_EQ(tmp_.Read("S/E.BGL"), "E.BGL");
  // The name gone is free for the rename that follows; the one created is not.
  EXPECT_TRUE(files_->Rename(W("S\\D.XXX"), W("S\\D.BGL")));
  EXPECT_FALSE(files_->Rename(W("S\\D.BGL"), W("S\\E.BGL")));
  EXPECT_EQ(tmp_.Read("moved.BGL"), "D.BGL");
  EXPECT_EQ(tmp_.Read("moved.XXX"), "F.XXX");
}

// A pass caches listings; everything it changes itself must read back at once.
TEST(FileSystemPass, KeepsItsCacheTrueAcrossItsOwnRenamesAndRemoves) {
  TempDir tmp;
  for (const char* name : {"L1L_1.XXX", "L1L_2.XXX", "L1L_3.XXX", "L1L_3.BGL"}) {
    tmp.Write(std::string("S/") + name, name);
  }
  tmp.MakeDir("T");
  tmp.Write("D/inner.txt", "inner");
  auto files = MakeFileSystemUnderTest();
  auto W = [&](const std::string& rel) { return tmp.Str() + "\\" + rel; };
  using Names = std::vector<std::string>;

  PassScope pass(*files);
  ASSERT_EQ(files->Enumerate(W("S\\L1L*.*")),
            (Names{"L1L_1.XXX", "L1L_2.XXX", "L1L_3.BGL", "L1L_3.XXX"}));
  EXPECT_EQ(files->Kind(W("T\\moved.txt")), PathKind::kMissing);

  EXPECT_TRUE(files->Rename(W("S\\L1L_1.XXX"), W("S\\L1L_1.BGL")));
  EXPECT_EQ(files->Kind(W("s\\l1l_1.xxx")), PathKind::kMissing);
  EXPECT_EQ(files->Kind(W("s\\l1l_1.bgl")), PathKind::kFile);
  EXPECT_FALSE(files->Rename(W("S\\L1L_2.XXX"), W("S\\l1l_1.bgl")));
  EXPECT_TRUE(files->Remove(W("S\\L1L_3.XXX")));
  EXPECT_EQ(files->Kind(W("S\\L1L_3.XXX")), PathKind::kMissing);
  EXPECT_TRUE(files->Rename(W("S\\L1L_2.XXX"), W("t\\moved.txt")));
  EXPECT_EQ(files->Kind(W("T\\MOVED.TXT")), PathKind::kFile);
  EXPECT_EQ(files->Enumerate(W("S\\L1L*.*")), (Names{"L1L_1.BGL", "L1L_3.BGL"}));
  EXPECT_EQ(files->Enumerate(W("T\\*")), (Names{"moved.txt"}));

  // Names below a renamed folder move with it.
  EXPECT_EQ(files->Kind(W("D\\inner.txt")), PathKind::kFile);
  EXPECT_TRUE(files->Rename(W("d"), W("E")));
  EXPECT_EQ(files->Kind(W("D\\inner.txt")), PathKind::kMissing);
  EXPECT_EQ(files->ReadFile(W("e\\INNER.txt"), 100), "inner");

  EXPECT_EQ(NamesOnDisk(tmp.Path() / "S"), (Names{"L1L_1.BGL", "L1L_3.BGL"}));
  EXPECT_EQ(tmp.Read("T/moved.txt"), "L1L_2.XXX");
}

// Many renames and removes in one folder: the pass must still agree with the disk.
TEST(FileSystemPass, AgreesWithTheDiskAfterManyChangesInOneFolder) {
  TempDir tmp;
  const int count = 1500;  // enough removals to compact the listing once
  for (int i = 0; i < count; ++i) tmp.Write("S/F" + std::to_string(i) + ".XXX", "");
  auto files = MakeFileSystemUnderTest();
  auto W = [&](const std::string& rel) { return tmp.Str() + "\\S\\" + rel; };
  {
    PassScope pass(*files);
    for (int i = 0; i < count; ++i) {
      // Built by appending: GCC 12 warns falsely (-Wrestrict) on "F" + to_string(i).
      std::string base = "F";
      base += std::to_string(i);
      if (i % 3 == 0) {
        EXPECT_TRUE(files->Remove(W(base + ".xxx")));
      } else {
        EXPECT_TRUE(files->Rename(W(base + ".xxx"), W(base + ".BGL")));
      }
    }
    EXPECT_EQ(files->Enumerate(W("*")), NamesOnDisk(tmp.Path() / "S"));
    EXPECT_EQ(files->Kind(W("f1499.bgl")), PathKind::kFile);
    EXPECT_EQ(files->Kind(W("f1498.bgl")), PathKind::kFile);
    EXPECT_EQ(files->Kind(W("f1497.bgl")), PathKind::kMissing);
    EXPECT_EQ(files->Kind(W("f1497.xxx")), PathKind::kMissing);
  }
  EXPECT_EQ(NamesOnDisk(tmp.Path() / "S").size(), size_t{1000});
}

// Outside a pass nothing may be stale: another program's changes show at once.
TEST(FileSystemOutsideAPass, SeesChangesMadeByOthers) {
  TempDir tmp;
  tmp.MakeDir("S");
  auto files = MakeFileSystemUnderTest();
  auto W = [&](const std::string& rel) { return tmp.Str() + "\\S\\" + rel; };

  {
    PassScope pass(*files);
    EXPECT_EQ(files->Kind(W("new.bgl")), PathKind::kMissing);
  }
  EXPECT_EQ(files->Kind(W("NEW.BGL")), PathKind::kMissing);
  tmp.Write("S/new.bgl", "theirs");
  EXPECT_EQ(files->Kind(W("NEW.BGL")), PathKind::kFile);
  EXPECT_EQ(files->Enumerate(W("*.BGL")), std::vector<std::string>{"new.bgl"});
  EXPECT_FALSE(files->Rename(W("x.xxx"), W("NEW.bgl")));
  stdfs::remove(tmp.Path() / "S/new.bgl");
  EXPECT_EQ(files->Kind(W("new.bgl")), PathKind::kMissing);
  EXPECT_EQ(files->Enumerate(W("*.BGL")), std::vector<std::string>{});
}

}  // namespace
}  // namespace svx
