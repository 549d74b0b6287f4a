// POSIX code only. Starts programs the way the tool's Windows build does, with
// Windows programs handed to Wine.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessLauncher.h"
#include "platform/posix/WinePrefix.h"

namespace svx {

class PosixProcessLauncher : public ProcessLauncher {
 public:
  // Where a bare program name is looked for, and the prefix and Wine a
  // Windows program runs with. Anything left unset takes the process's own
  // value at the time of each start.
  struct Options {
    // Default: the folder of /proc/self/exe.
    std::optional<std::string> ownFolder;
    // Default: the current working directory.
    std::optional<std::string> currentFolder;
    // Default: drive_c/windows/system32 and drive_c/windows of the prefix the
    // program runs in, where Windows looks after the working directory.
    std::optional<std::vector<std::string>> systemFolders;
    // Default: $PATH. Wine is looked for here as well.
    std::optional<std::string> searchPath;
    // The prefix in use, chosen at start-up: it maps the simulator folder's
    // drive letter and runs Windows programs. Default: $WINEPREFIX, else
    // ~/.wine.
    std::optional<std::string> winePrefix;
    // Where the prefix managers' files are, and $WINE. Default: the
    // environment.
    std::optional<PrefixSearch> search;
  };

  PosixProcessLauncher() = default;
  explicit PosixProcessLauncher(Options options) : options_(std::move(options)) {}

  // The command line is the program's name: a name without "/" is searched for
  // in the own folder, the working directory, the system folders and the search
  // path, in that order, without regard to letter case; a file that begins with
  // "MZ" is started through Wine, any other must be executable itself. The child
  // is neither waited for nor left as a zombie.
  std::optional<std::string> StartDetached(const std::string& commandLine) override;

  // A Windows program runs with WINEPREFIX set to the prefix in use, or, when
  // simFolder leads into another prefix (a Linux path, or a drive such as Z:
  // that reaches one; drive_c and system.reg in a folder above it), to that
  // prefix; and with the Wine FindWine picks for it: where the prefix's
  // manager records one that is still on disk, that one, so that no other
  // Wine version updates the user's prefix.
  std::optional<std::string> StartDetachedFor(const std::string& commandLine,
                                              const std::string& simFolder) override;

  // The file a bare name resolves to, or nothing.
  std::optional<std::string> Resolve(const std::string& name) const;

  // The prefix a program for the simulator in simFolder runs in.
  std::string PrefixFor(const std::string& simFolder) const;

 private:
  std::optional<std::string> ResolveIn(const std::string& name, const std::string& prefix) const;
  std::string PrefixInUse() const;

  Options options_;
};

}  // namespace svx
