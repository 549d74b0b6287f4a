// Whether the installed add-on version is one the patch may be applied to.
#pragma once

#include <string>

#include "config/ProductConfig.h"
#include "platform/MessageBox.h"
#include "platform/ProfileReader.h"

namespace svx {

enum class VersionVerdictKind { kPass, kAlreadyInstalled, kWrongVersion };

struct VersionVerdict {
  VersionVerdictKind kind = VersionVerdictKind::kPass;
  std::string message;  // empty on a pass
  std::string caption;
  int style = 0;  // kStyleStop for either message; 0 on a pass
};

VersionVerdict CheckInstalledVersion(ProfileReader& profiles, const std::string& simFolder,
                                     const ProductConfig& config = TheProductConfig());

}  // namespace svx
