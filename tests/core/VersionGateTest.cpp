#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "install/VersionGate.h"
#include "support/PlatformFakes.h"

namespace svx {
namespace {

const std::string kVersionFile = "C:\\FSX\\Quellmark\\RoDeZez\\PRODUCT.INI";
const std::string kWrongTail =
    "\".\n\nThis patch requires one of the following versions: \"1.0.0\"\n\nPlease install any "
    "previous required patches to get to the required version.";

TEST(CheckInstalledVersion, JudgesTheInstalledVersion) {
  struct Case {
    std::optional<std::string> installed;  // nothing: file, section or key missing
    VersionVerdictKind kind;
    std::string message;
    std::string caption;
  } cases[] = {
      {"1.0.0", VersionVerdictKind::kPass, "", ""},
      {"1.1.0", VersionVerdictKind::kAlreadyInstalled,
       "Kelmirth X - Version 1.1.0 is already installed on this machine !\n\nThe patch is not "
       "necessary.",
       "Notice"},
      {"1.0", VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"1.0" + kWrongTail, "Warning"},
      {"1.1", VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"1.1" + kWrongTail, "Warning"},
      {"1.0.0.1", VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"1.0.0.1" + kWrongTail, "Warning"},
      {"V1.0.0", VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"V1.0.0" + kWrongTail, "Warning"},
      {"", VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"" + kWrongTail, "Warning"},
      {std::nullopt, VersionVerdictKind::kWrongVersion,
       "The installed version of this product is \"undefined" + kWrongTail, "Warning"},
  };
  for (const auto& c : cases) {
    test::FakeProfileReader profiles;
    if (c.installed) profiles.values[kVersionFile] = *c.installed;
    const VersionVerdict v = CheckInstalledVersion(profiles, "C:\\FSX");
    const std::string label = c.installed.value_or("(missing)");
    EXPECT_EQ(v.kind, c.kind) << label;
    EXPECT_EQ(v.message, c.message) << label;
    EXPECT_EQ(v.caption, c.caption) << label;
    EXPECT_EQ(v.style, c.kind == VersionVerdictKind::kPass ? 0 : 16) << label;

    EXPECT_EQ(profiles.pathsRead, std::vector<std::string>{kVersionFile});
    EXPECT_EQ(profiles.section, "Product");
    EXPECT_EQ(profiles.key, "Version");
    EXPECT_EQ(profiles.defaultValue, "undefined");
    EXPECT_EQ(profiles.bufferSize, 80u);
  }
}

TEST(CheckInstalledVersion, ListsEveryRequiredVersionAndTestsTheTargetFirst) {
  const std::array<std::string, 2> required = {"1.0.0", "1.1.0"};
  const ProductConfig config("Kelmirth X", "1.1.0", required, "Quellmark\\RoDeZez", "p.exe", {});
  test::FakeProfileReader profiles;

  profiles.values[kVersionFile] = "0.9";
  VersionVerdict v = CheckInstalledVersion(profiles, "C:\\FSX", config);
  EXPECT_EQ(v.message,
            "The installed version of this product is \"0.9\".\n\nThis patch requires one of the "
            "following versions: \"1.0.0\", \"1.1.0\"\n\nPlease install any previous required "
            "patches to get to the required version.");

  profiles.values[kVersionFile] = "1.1.0";
  EXPECT_EQ(CheckInstalledVersion(profiles, "C:\\FSX", config).kind,
            VersionVerdictKind::kAlreadyInstalled);
}

}  // namespace
}  // namespace svx
