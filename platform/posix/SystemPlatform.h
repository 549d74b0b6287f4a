// POSIX code only. How the services of SystemPlatform() are put together.
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "platform/posix/WinePrefix.h"
#include "platform/posix/WineRegistry.h"

namespace svx {

struct PrefixInUse {
  WinePrefix prefix;
  // The chosen prefix's registry, which has already answered the question
  // start-up asks it, so that no registry file is read twice.
  std::unique_ptr<WineRegistry> registry;
};

// The prefix the tool works in (see ChooseWinePrefix), each candidate's
// registry judged by `simulatorFolder` through the candidate's own drive links.
PrefixInUse ChoosePrefixInUse(const PrefixSearch& search, RegistryFolderTest simulatorFolder);

}  // namespace svx
