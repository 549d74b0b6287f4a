// The services of the operating system, gathered so that the behaviour above
// them takes one reference and tests can replace any of them.
#pragma once

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProfileReader.h"
#include "platform/Registry.h"
#include "platform/WindowFinder.h"

namespace svx {

struct Platform {
  FileSystem& files;
  Registry& registry;
  WindowFinder& windows;
  ProfileReader& profiles;
  ProcessLauncher& processes;
};

// The real services of the platform the tool was built for (posix/ or win32/).
Platform& SystemPlatform();

}  // namespace svx
