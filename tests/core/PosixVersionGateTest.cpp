// The version gate over the profile reader of platforms without one.
#include <gtest/gtest.h>

#include <string>

#include "install/VersionGate.h"
#include "platform/posix/IniProfileReader.h"
#include "support/MemoryFileSystem.h"

namespace svx {
namespace {

const std::string kWrongTail =
    "\".\n\nThis patch requires one of the following versions: \"1.0.0\"\n\nPlease install any "
    "previous required patches to get to the required version.";

TEST(CheckInstalledVersion, ReadsTheVersionFileWithTheProfileRules) {
  test::MemoryFileSystem files;
  IniProfileReader profiles(files);
  const std::string path = "C:\\FSX\\Quellmark\\RoDeZez\\PRODUCT.INI";

  files.AddFile(path, "; installed by setup\r\n[product]\r\n  version = \"1.0.0\"  \r\n");
  EXPECT_EQ(CheckInstalledVersion(profiles, "C:\\FSX").kind, VersionVerdictKind::kPass);

  files.AddFile(path, "\xEF\xBB\xBF[Product]\nVersion=1.1.0\n");
  EXPECT_EQ(CheckInstalledVersion(profiles, "C:\\FSX").kind, VersionVerdictKind::kAlreadyInstalled);

  // A version text longer than the buffer is compared in its first 79 characters.
  files.AddFile(path, "[Product]\nVersion=" + std::string(200, '1') + "\n");
  EXPECT_EQ(CheckInstalledVersion(profiles, "C:\\FSX").message,
            "The installed version of this product is \"" + std::string(79, '1') + kWrongTail);
}

}  // namespace
}  // namespace svx
