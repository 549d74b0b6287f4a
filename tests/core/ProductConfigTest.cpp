#include "config/ProductConfig.h"

#include <gtest/gtest.h>

namespace svx {
namespace {

TEST(ProductConfig, HoldsTheTablesInProcessingOrder) {
  const ProductConfig& c = TheProductConfig();
  ASSERT_EQ(c.ToggleRuleCount(), 41);
  EXPECT_EQ(c.PrefixDeleteRuleCount(), 0);
  EXPECT_EQ(c.ContainingDeleteRuleCount(), 0);

  // The two de-activating rows sit where the processing order needs them.
  int deactivating = 0;
  for (int i = 0; i < c.ToggleRuleCount(); ++i) {
    const ToggleRule& r = c.ToggleRuleAt(i);
    EXPECT_TRUE((r.source == "XXX" && r.target == "BGL") ||
                (r.source == "BGL" && r.target == "XXX"))
        << "row " << i + 1;
    EXPECT_EQ(r.prefix.size(), 3u) << "row " << i + 1;
    if (r.source == "BGL") ++deactivating;
  }
  EXPECT_EQ(deactivating, 2);
  EXPECT_EQ(c.ToggleRuleAt(9).prefix, "L6O");
  EXPECT_EQ(c.ToggleRuleAt(10).prefix, "LLC");
  EXPECT_EQ(c.ToggleRuleAt(10).source, "BGL");
  EXPECT_EQ(c.ToggleRuleAt(11).prefix, "QLP");
  EXPECT_EQ(c.ToggleRuleAt(11).middle, "A");
  EXPECT_EQ(c.ToggleRuleAt(14).prefix, "RR3");
  EXPECT_EQ(c.ToggleRuleAt(14).source, "BGL");
  EXPECT_EQ(c.ToggleRuleAt(31).folder, "ROVuzu\\Scenery");
  EXPECT_EQ(c.ToggleRuleAt(40).folder, "VAZizEdiz\\Scenery");
  EXPECT_EQ(c.ToggleRuleAt(40).prefix, "QLP");
}

TEST(ProductConfig, NamesTheProductAndPatch) {
  const ProductConfig& c = TheProductConfig();
  EXPECT_EQ(c.ProductName(), "Kelmirth X");
  EXPECT_EQ(c.TargetVersion(), "1.1.0");
  ASSERT_EQ(c.RequiredVersions().size(), 1u);
  EXPECT_EQ(c.RequiredVersions()[0], "1.0.0");
  EXPECT_EQ(c.ProductFolder(), "Quellmark\\RoDeZez");
  EXPECT_EQ(c.PatchExecutable(), "SvxKmV11.exe");
}

}  // namespace
}  // namespace svx
