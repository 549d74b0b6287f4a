#include "install/VersionGate.h"

namespace svx {
namespace {

constexpr const char* kVersionFile = "PRODUCT.INI";
constexpr const char* kVersionSection = "Product";
constexpr const char* kVersionKey = "Version";
constexpr const char* kVersionDefault = "undefined";
// The Windows tool's result buffer: at most 79 characters are compared.
constexpr size_t kVersionBufferSize = 80;

std::string RequiredVersionsSentence(const ProductConfig& config) {
  std::string sentence = "This patch requires one of the following versions: ";
  const auto versions = config.RequiredVersions();
  for (size_t i = 0; i < versions.size(); ++i) {
    sentence += "\"" + versions[i] + "\"";
    if (i + 1 < versions.size()) sentence += ", ";
  }
  return sentence;
}

}  // namespace

VersionVerdict CheckInstalledVersion(ProfileReader& profiles, const std::string& simFolder,
                                     const ProductConfig& config) {
  const std::string sentence = RequiredVersionsSentence(config);
  const std::string path = simFolder + "\\" + config.ProductFolder() + "\\" + kVersionFile;
  const std::string installed = profiles.GetProfileString(
      kVersionSection, kVersionKey, kVersionDefault, path, kVersionBufferSize);

  VersionVerdict verdict;
  // The target is tested first: a version that were both would count as installed.
  if (installed == config.TargetVersion()) {
    verdict.kind = VersionVerdictKind::kAlreadyInstalled;
    verdict.message = config.ProductName() + " - Version " + config.TargetVersion() +
                      " is already installed on this machine !\n\nThe patch is not necessary.";
    verdict.caption = "Notice";
    verdict.style = kStyleStop;
    return verdict;
  }
  for (const std::string& required : config.RequiredVersions()) {
    if (installed == required) return verdict;
  }
  verdict.kind = VersionVerdictKind::kWrongVersion;
  verdict.message = "The installed version of this product is \"" + installed + "\".\n\n" +
                    sentence +
                    "\n\nPlease install any previous required patches to get to the required "
                    "version.";
  verdict.caption = "Warning";
  verdict.style = kStyleStop;
  return verdict;
}

}  // namespace svx
