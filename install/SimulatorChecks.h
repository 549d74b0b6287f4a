// Where the simulator is, whether a folder is one, and whether it is running.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "platform/WindowFinder.h"

namespace svx {

// The SetupPath of the simulator's registry key less one trailing backslash,
// or the empty string when the registry holds none.
std::string ReadRegistryPath(Registry& registry);

// True when folder\TERRAIN.CFG exists (file or folder; existence only).
bool IsValidSimFolder(FileSystem& files, const std::string& folder);

// What start-up would find in a registry: no SetupPath, one whose folder fails
// the folder test, or one whose folder passes it. Where several registries may
// hold the simulator (Wine prefixes), this tells SystemPlatform which to take.
RegistryFolder CheckRegistryFolder(Registry& registry, FileSystem& files);

bool IsSimulatorRunning(WindowFinder& windows);

// The styles of the two start-up messages (their texts are in res/Strings.h):
// the simulator runs, and the registry's folder fails the test. Both show
// the stop icon.
constexpr int kSimulatorRunningStyle = kStyleStop;
constexpr int kFolderNotFoundStyle = kStyleStop;

}  // namespace svx
