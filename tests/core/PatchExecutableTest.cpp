#include "prep/PatchExecutable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/MemoryFileSystem.h"
#include "support/PlatformFakes.h"
#include "support/PrepFaultyFileSystem.h"
#include "support/PrepRecordingOwner.h"

namespace svx {
namespace {

using test::FakeProcessLauncher;
using test::MemoryFileSystem;
using test::PrepFaultyFileSystem;
using test::PrepRecordingOwner;

const std::string kUnlockFailedText =
    "The patch preparation was successful.  But, the patch file could not be unlocked !\nAre you "
    "sure that you followed the patch instructions correctly ?\n";

TEST(UnlockPatch, WritesTheSignatureOrSaysItCouldNot) {
  const struct {
    const char* what;
    std::optional<std::string> before;  // nothing: no such file
    bool refuseWrite, refuseClose;
    int result;
    std::optional<std::string> after;
  } cases[] = {
      {"already unlocked", std::string("MZ\x90\0rest", 7), false, false, 0,
       std::string("MZ\x90\0rest", 7)},
      {"longer file keeps its length", std::string("\0\0\x90\0", 4), false, false, 0,
       std::string("MZ\x90\0", 4)},
      {"empty file grows to two bytes", "", false, false, 0, "MZ"},
      {"one-byte file grows to two bytes", "x", false, false, 0, "MZ"},
      {"missing file", std::nullopt, false, false, -1, std::nullopt},
      {"write fails", "abcd", true, false, -1, "abcd"},
      {"close fails", "abcd", false, true, -1, "MZcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFileSystem mem;
    PrepFaultyFileSystem fs(mem);
    PrepRecordingOwner owner;
    if (c.before) mem.AddFile("SvxKmV11.exe", *c.before);
    fs.refuseWrite = c.refuseWrite;
    fs.refuseClose = c.refuseClose;

    EXPECT_EQ(UnlockPatch(owner, fs, "SvxKmV11.exe"), c.result);

    EXPECT_EQ(mem.Content("SvxKmV11.exe"), c.after);
    if (c.result == 0) {
      EXPECT_TRUE(owner.messages.empty());
    } else {
      ASSERT_EQ(owner.messages.size(), 1u);
      EXPECT_EQ(owner.messages[0].text, kUnlockFailedText);
      EXPECT_EQ(owner.messages[0].caption, "Success");
      EXPECT_EQ(owner.messages[0].style, 48);
    }
  }
}

TEST(UnlockPatch, FindsTheFileInAnyLetterCaseAndNeverCreatesOne) {
  MemoryFileSystem mem;
  PrepRecordingOwner owner;
  mem.AddFile("svxkmv11.EXE", "..");
  mem.AddFolder("Other.exe");
  EXPECT_EQ(UnlockPatch(owner, mem, "SvxKmV11.exe"), 0);
  EXPECT_EQ(mem.Content("svxkmv11.exe"), "MZ");
  EXPECT_EQ(UnlockPatch(owner, mem, "Other.exe"), -1);
  EXPECT_EQ(mem.Kind("Other.exe"), PathKind::kFolder);
}

TEST(LaunchPatch, StartsTheBareNameAndShowsAnyFailure) {
  const struct {
    const char* what;
    std::optional<std::string> error;
    std::optional<std::string> shown;
  } cases[] = {
      {"started", std::nullopt, std::nullopt},
      {"system text", "No such file or directory", "No such file or directory"},
      {"no text from the system", "", "SvxKmV11.exe could not be started."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProcessLauncher launcher;
    PrepRecordingOwner owner;
    launcher.failure = c.error;

    LaunchPatch(owner, launcher, "SvxKmV11.exe", "C:\\FSX");
    LaunchPatch(owner, launcher, "SvxKmV11.exe", "C:\\FSX");  // the user may try again

    EXPECT_EQ(launcher.started, (std::vector<std::string>{"SvxKmV11.exe", "SvxKmV11.exe"}));
    EXPECT_EQ(launcher.simFolders, (std::vector<std::string>{"C:\\FSX", "C:\\FSX"}));
    if (!c.shown) {
      EXPECT_TRUE(owner.messages.empty());
      continue;
    }
    ASSERT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages[0].text, *c.shown);
    EXPECT_EQ(owner.messages[0].caption, "Warning");
    EXPECT_EQ(owner.messages[0].style, 16);
  }
}

}  // namespace
}  // namespace svx
