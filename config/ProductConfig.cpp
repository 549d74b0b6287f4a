#include "config/ProductConfig.h"

#include <array>

namespace svx {
namespace {

const std::array<std::string, 1> kRequiredVersions = {"1.0.0"};

// Table order is processing order: row 11 (LLC) de-activates between the
// re-activating rows of its folder, and QLP appears in two folders.
const std::array<ToggleRule, 41> kToggleRules = {{
    {"VODeVevuza\\Scenery", "L1L", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L1P", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L1R", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L1X", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L1O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L2O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L3O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L4O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L5O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "L6O", "*", "XXX", "BGL"},
    {"VODeVevuza\\Scenery", "LLC", "*", "BGL", "XXX"},
    {"VODeVevuza\\Scenery", "QLP", "A", "XXX", "BGL"},
    {"VEZiRuru\\Scenery", "BRX", "*", "XXX", "BGL"},
    {"VEZiRuru\\Scenery", "RR1", "*", "XXX", "BGL"},
    {"VEZiRuru\\Scenery", "RR3", "*", "BGL", "XXX"},
    {"VEZiRuru\\Scenery", "RR5", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "BR1", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "BR2", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "BR5", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RCX", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RD1", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RD2", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RD3", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RD5", "*", "XXX", "BGL"},
    {"ZUReDivi\\Scenery", "RTX", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HL1", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HL2", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HL3", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HP1", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HP2", "*", "XXX", "BGL"},
    {"ZOVeRodov\\Scenery", "HP3", "*", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "BRU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "HLU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "HPU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "PKU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "RRU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "RTU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "RDU", "A", "XXX", "BGL"},
    {"ROVuzu\\Scenery", "STU", "A", "XXX", "BGL"},
    {"RAVaRir\\Scenery", "LC9", "A", "XXX", "BGL"},
    {"VAZizEdiz\\Scenery", "QLP", "A", "XXX", "BGL"},
}};

// Storage for one row each, none in use: the deletion stages of this patch
// have nothing to delete.
const std::array<DeleteRule, 1> kPrefixDeleteRules = {};
const std::array<DeleteRule, 1> kContainingDeleteRules = {};
constexpr size_t kPrefixDeleteCount = 0;
constexpr size_t kContainingDeleteCount = 0;

}  // namespace

const ProductConfig& TheProductConfig() {
  static const ProductConfig config(
      "Kelmirth X", "1.1.0", kRequiredVersions, "Quellmark\\RoDeZez", "SvxKmV11.exe",
      ProductConfig::Tables{
          kToggleRules, std::span<const DeleteRule>(kPrefixDeleteRules.data(), kPrefixDeleteCount),
          std::span<const DeleteRule>(kContainingDeleteRules.data(), kContainingDeleteCount)});
  return config;
}

}  // namespace svx
