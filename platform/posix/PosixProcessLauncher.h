// POSIX code only. Starts programs the way the tool's Windows build does, with
// Windows programs handed to whatever runs them here (Wine: the platform
// assembly gives the launcher the Wine subsystem's WinePrograms).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ProcessLauncher.h"
#include "platform/posix/Command.h"

namespace svx {

// How Windows programs run on this system. A Windows program runs in a prefix
// of its own: a folder with the Windows system folders and the registry.
class WindowsPrograms {
 public:
  virtual ~WindowsPrograms() = default;

  // The prefix a program started for the simulator in simFolder runs in
  // (empty simFolder: the prefix in use).
  virtual std::string PrefixFor(const std::string& simFolder) const = 0;

  // The prefix's system folders, where Windows looks for a program after the
  // working directory.
  virtual std::vector<std::string> SystemFolders(const std::string& prefix) const = 0;

  // The command that starts the Windows program at `path` (found for
  // `commandLine`) in `prefix`; otherwise the text that says why none can.
  struct Start {
    std::optional<Command> command;
    std::string failure;
  };
  virtual Start CommandFor(const std::string& path, const std::string& commandLine,
                           const std::string& prefix) const = 0;
};

class PosixProcessLauncher : public ProcessLauncher {
 public:
  // Where a bare program name is looked for, and what runs Windows programs.
  struct Options {
    // Default: the folder of /proc/self/exe.
    std::optional<std::string> ownFolder;
    // Default: the current working directory at the time of each start.
    std::optional<std::string> currentFolder;
    // Default: the system folders of the prefix the program runs in.
    std::optional<std::vector<std::string>> systemFolders;
    // $PATH, as read at start-up.
    std::string searchPath;
    // Without it a Windows program is started like any other, and fails as
    // the system refuses it.
    const WindowsPrograms* windowsPrograms = nullptr;
  };

  PosixProcessLauncher() = default;
  explicit PosixProcessLauncher(Options options) : options_(std::move(options)) {}

  // The command line is the program's name: a name without "/" is searched for
  // in the own folder, the working directory, the system folders and the search
  // path, in that order, without regard to letter case; a file that begins with
  // "MZ" is started as a Windows program, any other must be executable itself.
  // The child is neither waited for nor left as a zombie.
  std::optional<std::string> StartDetached(const std::string& commandLine) override;

  // A Windows program runs in the prefix WindowsPrograms gives for simFolder,
  // with the command it gives.
  std::optional<std::string> StartDetachedFor(const std::string& commandLine,
                                              const std::string& simFolder) override;

  // The file a bare name resolves to, or nothing.
  std::optional<std::string> Resolve(const std::string& name) const;

 private:
  std::optional<std::string> ResolveIn(const std::string& name, const std::string& prefix) const;
  std::string PrefixFor(const std::string& simFolder) const;

  Options options_;
};

}  // namespace svx
