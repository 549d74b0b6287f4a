#include "install/VersionGate.h"

#include "res/Strings.h"

namespace svx {
namespace {

constexpr const char* kVersionFile = "PRODUCT.INI";
constexpr const char* kVersionSection = "Product";
constexpr const char* kVersionKey = "Version";
constexpr const char* kVersionDefault = "undefined";
// The Windows tool's result buffer: at most 79 characters are compared.
constexpr size_t kVersionBufferSize = 80;

}  // namespace

VersionVerdict CheckInstalledVersion(ProfileReader& profiles, const std::string& simFolder,
                                     const ProductConfig& config) {
  const std::string path = simFolder + "\\" + config.ProductFolder() + "\\" + kVersionFile;
  const std::string installed = profiles.GetProfileString(
      kVersionSection, kVersionKey, kVersionDefault, path, kVersionBufferSize);

  VersionVerdict verdict;
  // The target is tested first: a version that were both would count as installed.
  if (installed == config.TargetVersion()) {
    verdict.kind = VersionVerdictKind::kAlreadyInstalled;
    verdict.message = AlreadyInstalledText(config.ProductName(), config.TargetVersion());
    verdict.caption = kNoticeCaption;
    verdict.style = kStyleStop;
    return verdict;
  }
  for (const std::string& required : config.RequiredVersions()) {
    if (installed == required) return verdict;
  }
  verdict.kind = VersionVerdictKind::kWrongVersion;
  verdict.message = WrongVersionText(installed, config.RequiredVersions());
  verdict.caption = kWarningCaption;
  verdict.style = kStyleStop;
  return verdict;
}

}  // namespace svx
