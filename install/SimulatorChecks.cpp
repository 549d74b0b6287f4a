#include "install/SimulatorChecks.h"

namespace svx {
namespace {

// The simulator's installer writes its folder here; the tool only reads it.
constexpr const char* kSimulatorKey =
    "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
constexpr const char* kSetupPathValue = "SetupPath";
// The size of the Windows tool's buffer, terminating zero included: a longer
// value is a failed query there, and must be one here too.
constexpr size_t kSetupPathBufferBytes = 999;

constexpr const char* kMarkerFile = "TERRAIN.CFG";
constexpr const char* kSimulatorWindowTitle = "Microsoft Flight Simulator X";

std::optional<std::string> ReadSetupPath(Registry& registry) {
  std::optional<std::string> folder =
      registry.ReadLocalMachineString(kSimulatorKey, kSetupPathValue, kSetupPathBufferBytes);
  // Only one: a value ending in two backslashes keeps one.
  if (folder && !folder->empty() && folder->back() == '\\') folder->pop_back();
  return folder;
}

}  // namespace

std::string ReadRegistryPath(Registry& registry) {
  return ReadSetupPath(registry).value_or(std::string());
}

RegistryFolder CheckRegistryFolder(Registry& registry, FileSystem& files) {
  const std::optional<std::string> folder = ReadSetupPath(registry);
  if (!folder) return RegistryFolder::kNone;
  return IsValidSimFolder(files, *folder) ? RegistryFolder::kValid : RegistryFolder::kInvalid;
}

bool IsValidSimFolder(FileSystem& files, const std::string& folder) {
  // The folder is used as it is: a trailing backslash gives a doubled one,
  // which the file layer reads as one, and an empty folder tests the root.
  return files.Exists(folder + "\\" + kMarkerFile);
}

bool IsSimulatorRunning(WindowFinder& windows) {
  return windows.TopLevelWindowExists(kSimulatorWindowTitle);
}

}  // namespace svx
