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

// The message shown at start-up when the simulator runs, with its caption.
extern const char* const kSimulatorRunningText;
extern const char* const kSimulatorRunningCaption;
// The message shown at start-up when the registry's folder fails the test.
extern const char* const kFolderNotFoundText;
extern const char* const kFolderNotFoundCaption;
// Both are shown with the stop icon.
constexpr int kSimulatorRunningStyle = kStyleStop;
constexpr int kFolderNotFoundStyle = kStyleStop;

}  // namespace svx
