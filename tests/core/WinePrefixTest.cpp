#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "install/SimulatorChecks.h"
#include "install/VersionGate.h"
#include "platform/posix/IniProfileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/wine/WineRegistry.h"
#include "support/FakePrefix.h"
#include "support/TempDir.h"

namespace svx {
namespace {

// A prefix as Wine lays it out: the registry file, drive C: as a link to
// drive_c and Z: as a link to the root, with the simulator installed under a
// 64-bit prefix's 32-bit program folder in letter cases of its own.
class WinePrefix : public ::testing::Test {
 protected:
  void SetUp() override {
    test::FakePrefix(prefix_)
        .SetupPath("C:\\Program Files (x86)\\Microsoft Games\\FSX\\")
        .Drive('z', "/");
    sim_ = "prefix/drive_c/Program Files (x86)/Microsoft Games/fsx";
    dir_.Write(sim_ + "/terrain.cfg", "");
    dir_.Write(sim_ + "/QUELLMARK/rodezez/Product.ini", "[Product]\r\nVersion=1.0.0\r\n");
  }

  test::TempDir dir_;
  std::string prefix_ = dir_.Str() + "/prefix";
  std::string sim_;
};

TEST_F(WinePrefix, FindsTheSimulatorThroughTheDriveLinks) {
  WineRegistry registry(WineRegistryOptions{prefix_});
  PosixFileSystem files(PosixFileSystem::Options{prefix_, ""});
  IniProfileReader profiles(files);

  const std::string folder = ReadRegistryPath(registry);
  EXPECT_EQ(folder, "C:\\Program Files (x86)\\Microsoft Games\\FSX");
  EXPECT_TRUE(IsValidSimFolder(files, folder));
  EXPECT_EQ(CheckInstalledVersion(profiles, folder).kind, VersionVerdictKind::kPass);

  // The same folder by its Z: path, with the trailing backslash of a typed one.
  std::string zPath = "Z:" + (dir_.Path() / sim_).string() + "/";
  for (char& c : zPath) c = c == '/' ? '\\' : c;
  EXPECT_TRUE(IsValidSimFolder(files, zPath));
  EXPECT_EQ(CheckInstalledVersion(profiles, zPath).kind, VersionVerdictKind::kPass);
}

TEST_F(WinePrefix, ReportsWhatIsMissing) {
  PosixFileSystem files(PosixFileSystem::Options{prefix_, ""});
  IniProfileReader profiles(files);
  const std::string folder = "C:\\Program Files (x86)\\Microsoft Games\\FSX";

  std::filesystem::remove(dir_.Path() / sim_ / "terrain.cfg");
  EXPECT_FALSE(IsValidSimFolder(files, folder));
  dir_.MakeDir(sim_ + "/TERRAIN.CFG");
  EXPECT_TRUE(IsValidSimFolder(files, folder));

  // A folder in place of the version file reads as a missing file.
  std::filesystem::remove(dir_.Path() / sim_ / "QUELLMARK/rodezez/Product.ini");
  dir_.MakeDir(sim_ + "/QUELLMARK/rodezez/PRODUCT.INI");
  const VersionVerdict v = CheckInstalledVersion(profiles, folder);
  EXPECT_EQ(v.kind, VersionVerdictKind::kWrongVersion);
  EXPECT_NE(v.message.find("\"undefined\""), std::string::npos);
}

}  // namespace
}  // namespace svx
