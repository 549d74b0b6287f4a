// The one record of everything that belongs to the add-on and its patch.
// Building the tool for another add-on or patch means changing only
// ProductConfig.cpp; nothing else in the tree names a product, version,
// folder or file of its own.
#pragma once

#include <span>
#include <string>

namespace svx {

// One row of a rule table. The deletion stages read only folder, prefix and
// middle; the two extension fields are carried for the shared row shape.
struct RuleRow {
  std::string folder;  // relative to SCENERY, no leading or trailing backslash
  std::string prefix;
  std::string middle;  // "*" covers every name with the prefix, "A" only prefix+"A"
  std::string source;  // "XXX" or "BGL", without dot
  std::string target;
};
using ToggleRule = RuleRow;
using DeleteRule = RuleRow;

class ProductConfig {
 public:
  struct Tables {
    std::span<const ToggleRule> toggle;
    std::span<const DeleteRule> prefixDelete;
    std::span<const DeleteRule> containingDelete;
  };

  ProductConfig(std::string productName, std::string targetVersion,
                std::span<const std::string> requiredVersions, std::string productFolder,
                std::string patchExecutable, Tables tables)
      : productName_(std::move(productName)),
        targetVersion_(std::move(targetVersion)),
        requiredVersions_(requiredVersions),
        productFolder_(std::move(productFolder)),
        patchExecutable_(std::move(patchExecutable)),
        tables_(tables) {}

  const std::string& ProductName() const { return productName_; }
  const std::string& TargetVersion() const { return targetVersion_; }
  std::span<const std::string> RequiredVersions() const { return requiredVersions_; }
  const std::string& ProductFolder() const { return productFolder_; }
  const std::string& PatchExecutable() const { return patchExecutable_; }

  int ToggleRuleCount() const { return static_cast<int>(tables_.toggle.size()); }
  const ToggleRule& ToggleRuleAt(int i) const { return tables_.toggle[static_cast<size_t>(i)]; }
  int PrefixDeleteRuleCount() const { return static_cast<int>(tables_.prefixDelete.size()); }
  const DeleteRule& PrefixDeleteRuleAt(int i) const {
    return tables_.prefixDelete[static_cast<size_t>(i)];
  }
  int ContainingDeleteRuleCount() const {
    return static_cast<int>(tables_.containingDelete.size());
  }
  const DeleteRule& ContainingDeleteRuleAt(int i) const {
    return tables_.containingDelete[static_cast<size_t>(i)];
  }

 private:
  std::string productName_;
  std::string targetVersion_;
  std::span<const std::string> requiredVersions_;
  std::string productFolder_;
  std::string patchExecutable_;
  Tables tables_;
};

// The configuration this tool is built for; constructed during static
// initialisation and never written afterwards.
const ProductConfig& TheProductConfig();

}  // namespace svx
