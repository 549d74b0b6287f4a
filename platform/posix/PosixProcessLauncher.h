// POSIX code only. Starts programs the way the tool's Windows build does, with
// Windows programs handed to Wine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessLauncher.h"

namespace svx {

class PosixProcessLauncher : public ProcessLauncher {
 public:
  // Where a bare program name is looked for. Anything left unset takes the
  // process's own value at the time of each start.
  struct Options {
    // Default: the folder of /proc/self/exe.
    std::optional<std::string> ownFolder;
    // Default: the current working directory.
    std::optional<std::string> currentFolder;
    // Default: the Wine prefix's drive_c/windows/system32 and drive_c/windows
    // (prefix from WINEPREFIX, else ~/.wine), where Windows looks after the
    // working directory.
    std::optional<std::vector<std::string>> systemFolders;
    // Default: $PATH.
    std::optional<std::string> searchPath;
    // The Wine loader. Default: "wine" found on the search path.
    std::optional<std::string> wine;
  };

  PosixProcessLauncher() = default;
  explicit PosixProcessLauncher(Options options) : options_(std::move(options)) {}

  // The command line is the program's name: a name without "/" is searched for
  // in the own folder, the working directory, the system folders and the search
  // path, in that order, without regard to letter case; a file that begins with
  // "MZ" is started through Wine, any other must be executable itself. The child
  // is neither waited for nor left as a zombie.
  std::optional<std::string> StartDetached(const std::string& commandLine) override;

  // The file a bare name resolves to, or nothing.
  std::optional<std::string> Resolve(const std::string& name) const;

 private:
  Options options_;
};

}  // namespace svx
