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

// What a registry says of the simulator, as start-up judges it: no folder, a
// folder that fails the folder test, or one that passes. The test itself is
// the simulator layer's (CheckRegistryFolder in install/), handed down because
// the platform needs it to choose among several registries: the Wine prefixes
// on Linux. Windows has one registry and never asks.
enum class RegistryFolder { kNone, kInvalid, kValid };
using RegistryFolderTest = RegistryFolder (*)(Registry& registry, FileSystem& files);

// The real services of the platform the tool was built for (posix/ or win32/),
// put together on the first call.
Platform& SystemPlatform(RegistryFolderTest simulatorFolder);

}  // namespace svx
