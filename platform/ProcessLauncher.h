// Starts other programs.
#pragma once

#include <optional>
#include <string>

namespace svx {

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts the program named by commandLine (a bare program name is searched
  // for as Windows does: the tool's own folder, the working directory, the
  // system folders, then the search path) and does not wait for it. Nothing on
  // success; otherwise the system's text for the error (possibly empty).
  virtual std::optional<std::string> StartDetached(const std::string& commandLine) = 0;
  // The same, for a program that works on the simulator in `simFolder`: where
  // Windows programs run in an environment of their own (a Wine prefix), the
  // program is started in the one that holds that folder.
  virtual std::optional<std::string> StartDetachedFor(const std::string& commandLine,
                                                      const std::string& simFolder) {
    (void)simFolder;
    return StartDetached(commandLine);
  }
};

}  // namespace svx
